#!/usr/bin/env bash
# Pins of a 1920x1080 picture on a 1920x1080 private desktop (Xvfb, openbox):
# - in-process (bench/pin-probe, as the region overlay's Ctrl+T opens them): the time from the call
#   to the picture's pixels on the screen beside a bare window of the same picture, resident memory
#   before and after 20 pins opened and closed, and what one pin costs beyond its picture's bytes;
# - the real program: its resident memory before and after 20 pins of a 1920x1080 PNG opened with
#   `tavo-screenshot --pin FILE` and closed with Escape.
#   bench/pin-memory.sh [BUILD_DIR]      (default: build/ beside this folder)
# Targets: on the screen within 100 ms; memory within 10 MB of where it was; a pin at most 10 %
# beyond its picture's bytes.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
if [[ "${TAVO_BENCH_ON_DESKTOP:-0}" != 1 ]]; then
    TAVO_BENCH_ON_DESKTOP=1 TAVO_SCREEN=1920x1080x24 TAVO_NO_TRAY=1 exec "$here/../scripts/with-desktop.sh" "$0" "$build"
fi

program="$build/tavo-screenshot"
pins=20
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
work=$(mktemp -d)
app=
trap 'kill "$app" 2>/dev/null || true; rm -rf "$work"' EXIT

xsetroot -solid black
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== in-process (bench/pin-probe)"
"$build/bench/pin-probe" 2>/dev/null

echo "== the program, $pins pins of a 1920x1080 PNG through --pin"
convert -size 1920x1080 plasma:fractal -seed 7 "$work/picture.png" 2>/dev/null \
    || convert -size 1920x1080 gradient:red-blue "$work/picture.png"
"$program" 2>/dev/null &
app=$!
for _ in $(seq 100); do
    xdotool search --onlyvisible --pid "$app" --name '^TAVO截图$' >/dev/null 2>&1 && break
    sleep 0.1
done
sleep 1
# xdotool's pattern matches bytes, and the panel's title ends with the same character as a pin's:
# a pin is any visible window of the program but the panel.
panel=$(xdotool search --onlyvisible --pid "$app" --name '' 2>/dev/null | sort | tr '\n' ' ')
pin_window() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$app" --name '' 2>/dev/null || true); do
        [[ " $panel " == *" $id "* ]] || { echo "$id"; return; }
    done
}
pin_once() {
    "$program" --pin "$work/picture.png"
    local window=
    for _ in $(seq 200); do
        window=$(pin_window)
        [[ -n "$window" ]] && break
        sleep 0.02
    done
    [[ -n "$window" ]] || { echo "pin-memory: the pin did not show" >&2; exit 1; }
    sleep 0.3
    xdotool windowactivate --sync "$window" key Escape 2>/dev/null
    for _ in $(seq 200); do
        [[ -z "$(pin_window)" ]] && return 0
        sleep 0.02
    done
    echo "pin-memory: Escape did not close the pin" >&2
    exit 1
}
pin_once
sleep 1
rss_first=$(rss_kb "$app")
for _ in $(seq "$pins"); do pin_once; done
sleep 1
rss_last=$(rss_kb "$app")
echo "resident after the first pin closed: $rss_first kB, after $pins more: $rss_last kB," \
     "difference $((rss_last - rss_first)) kB (target within 10240 kB)"
