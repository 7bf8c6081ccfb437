#!/usr/bin/env bash
# The saver's figures against a bare WGL anchor, full screen at 1920 x 1080
# under Wine, Xvfb and llvmpipe: frames per second, CPU per frame and per
# second of saving, peak working set, entry to first frame and the black
# flash, as medians of several rounds, with PASS or MISS for each target.
# Each round runs the anchor (empty, then with one band) and each module in
# the same virtual screen, one process each.
#   bench/frames.sh [seconds per run, default 10] [rounds, default 3]
# Medians are taken because single runs vary by a tenth or more here.
set -euo pipefail
. "$(dirname "$0")/../scripts/lib.sh"
cd "$SOLMIR_ROOT"
solmir_install_deps
solmir_build "$SOLMIR_ROOT/build"
cmake --build build --target frame_bench anchor_bench >/dev/null
SOLMIR_SCREEN=1920x1080x24 scripts/with-wine bash -c '
for round in $(seq "$1"); do
    wine build/bench/anchor_bench.exe "$0" empty
    wine build/bench/anchor_bench.exe "$0" band
    for m in 1 2 3; do wine build/bench/frame_bench.exe "$0" $m; done
done' "${1:-10}" "${2:-3}" | tee build/bench/frames.log | python3 bench/report.py build/Solmir.scr
