#!/usr/bin/env bash
# Tests the Windows program that scripts/build-windows.sh made, under Wine on a private X desktop
# (scripts/with-desktop.sh): every unit test of the Windows build (ctest runs each one through
# scripts/wine-test.sh), then the smoke test of the packed program (tests/wine-smoke.sh).
#   scripts/test-windows.sh [BUILD_DIR]    (default build-win)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath -m "${1:-build-win}")

if [[ -z "${TAVO_WINE_DESKTOP:-}" ]]; then
    scripts/setup-debian.sh windows-test
    TAVO_WINE_DESKTOP=1 exec scripts/with-desktop.sh "$0" "$build"
fi

zip=$(ls -t "$build"/tavo-screenshot-*-win64.zip 2>/dev/null | head -n1)
[[ -n "$zip" ]] || { echo "test-windows: no zip in $build: run scripts/build-windows.sh" >&2; exit 1; }

# One Wine prefix per build folder, made once (about 10 s); Mono and Gecko are left out, so no
# set-up dialog waits for an answer. Its server and services stay up between the tests: started
# anew for each, they cost seconds every time. Started here, they hold no test's output open.
export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "Making the Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    # While the first window program of a new prefix runs, Wine finishes setting itself up, and
    # windows lose the activation now and then: the program runs once, until its panel shows.
    (cd /tmp && exec wine "${zip%.zip}/tavo-screenshot.exe" >/dev/null 2>&1) &
    first=$!
    for _ in $(seq 300); do
        xdotool search --onlyvisible --name 'TAVO截图' >/dev/null 2>&1 && break
        sleep 0.2
    done
    kill "$first"
    wait "$first" 2>/dev/null || true
else
    wineboot >/dev/null 2>&1
fi
# No sound card here: ALSA's default device becomes a null sink (HOME is the private desktop's),
# so the shutter sound plays through DirectShow to its end as it would on a machine with one.
printf 'pcm.!default { type null }\n' >"$HOME/.asoundrc"

status=0
# One test at a time: Wine programs share one desktop, and a window another test opens takes the
# activation from this one's windows, which repaints them and upsets the tests that count paints.
(cd "$build" && ctest --output-on-failure --timeout 300) || status=1
tests/wine-smoke.sh "$zip" || status=1
exit "$status"
