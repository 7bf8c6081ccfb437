#!/usr/bin/env bash
# Soak test (not part of CI): the real Solmir.scr at speed 10 with cycle time 0,
# so modules switch and fade without pause, for SOLMIR_SOAK_MINUTES (default
# 60) minutes. Samples the process's resident memory every minute; it must stay
# flat.
set -euo pipefail
. "$(dirname "$0")/../scripts/lib.sh"
cd "$SOLMIR_ROOT"
if [ -z "${SOLMIR_IN_WINE:-}" ]; then
    solmir_install_deps
    solmir_build "$SOLMIR_ROOT/build"
    SOLMIR_SCREEN=${SOLMIR_SCREEN:-1920x1080x24} exec scripts/with-wine "$0" "$@"
fi
minutes=${SOLMIR_SOAK_MINUTES:-60}
key='HKCU\Software\Quenwick\Solmir'
wine reg delete "$key" /f >/dev/null 2>&1 || true
wine reg add "$key" /v "mod1 depth" /t REG_DWORD /d 2100 /f >/dev/null
for m in 1 2 3; do wine reg add "$key" /v "mod$m speed" /t REG_DWORD /d 1000 /f >/dev/null; done
wine reg add "$key" /v "cycle time" /t REG_DWORD /d 0 /f >/dev/null
# A copy of its own, so the process found below is this run's and no other.
copy="$WINEPREFIX/drive_c/soak/Solmir.scr"
mkdir -p "$(dirname "$copy")"
cp build/Solmir.scr "$copy"
wine "$copy" /s &
sleep 5
pid=$(pgrep -f "$copy" | head -n1)
echo "minute rss_kb"
for i in $(seq 0 "$minutes"); do
    rss=$(ps -o rss= -p "$pid" | tr -d ' ')
    [ -n "$rss" ] || { echo "Solmir.scr ended early"; exit 1; }
    echo "$i $rss"
    [ "$i" -lt "$minutes" ] && sleep 60
done
for _ in 1 2 3 4 5; do xdotool mousemove_relative 30 30; sleep 0.2; done
sleep 2
wineserver -k
