#!/usr/bin/env bash
# The saver over two monitors of 1920 x 1080 against one, in the same run:
# frames per second and CPU per frame of modules 1 and 3, and the process's
# CPU while the displays are off. Wine takes the two monitors from the
# stand-in Xinerama of tests/monitors, on one X screen of 3840 x 1080.
#   bench/monitors.sh [seconds per run, default 10] [rounds, default 3]
set -euo pipefail
. "$(dirname "$0")/../scripts/lib.sh"
cd "$SOLMIR_ROOT"
solmir_install_deps
solmir_build "$SOLMIR_ROOT/build"
cmake --build build --target frame_bench xinerama_heads >/dev/null
seconds=${1:-10}
one() { SOLMIR_SCREEN=1920x1080x24 scripts/with-wine wine build/bench/frame_bench.exe "$@"; }
two() {
    SOLMIR_WINE_NO_XRANDR=1 SOLMIR_TEST_HEADS=1920x1080+0+0,1920x1080+1920+0 \
        LD_LIBRARY_PATH=$SOLMIR_ROOT/build/tests/monitors/heads SOLMIR_SCREEN=3840x1080x24 \
        scripts/with-wine wine build/bench/frame_bench.exe "$@"
}
for _ in $(seq "${2:-3}"); do
    for m in 1 3; do
        one "$seconds" $m | sed -n 's/^figures module/figures one-module/p'
        two "$seconds" $m | sed -n 's/^figures module/figures two-module/p'
    done
    two "$seconds" 1 dark | grep '^dark'
done | tee build/bench/monitors.log | python3 bench/report_monitors.py
