#!/usr/bin/env bash
# Frames per second, CPU time per frame and peak memory of each module, full
# screen at 1920 x 1080 under Wine, Xvfb and llvmpipe.
#   bench/frames.sh [seconds per module]
set -euo pipefail
. "$(dirname "$0")/../scripts/lib.sh"
cd "$SOLMIR_ROOT"
solmir_install_deps
solmir_build "$SOLMIR_ROOT/build"
cmake --build build --target frame_bench >/dev/null
SOLMIR_SCREEN=1920x1080x24 scripts/with-wine bash -c '
for m in 1 2 3; do wine build/bench/frame_bench.exe "$0" $m; done' "${1:-10}"
