#!/usr/bin/env bash
# Median time from the Ctrl+Alt+X key event to the full-screen picture being offered on the
# clipboard, over 20 captures on a private 1920x1080 Xvfb desktop, beside two references run on
# the same desktop: a raw root-window grab (xwd -root > /dev/null, the floor) and a common
# pipeline to the clipboard (maim | xclip -selection clipboard).
# Each capture waits 1.6 s for the panel to come back before the next, so every capture starts
# from the shown panel, as a single press by a user would.
#   bench/capture-latency.sh [BUILD_DIR]      (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=20

if [[ -z "${TAVO_BENCH_INNER:-}" ]]; then
    for tool in xwd maim xclip; do
        command -v "$tool" >/dev/null || { echo "capture-latency: $tool is not installed" >&2; exit 2; }
    done
    [[ -x "$build/bench/clipboard-latency" ]] || { echo "capture-latency: build the clipboard-latency target first" >&2; exit 2; }
    TAVO_SCREEN=1920x1080x24 TAVO_BENCH_INNER=1 exec "$here/../scripts/with-desktop.sh" "$0" "$build"
fi

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) printf "%.1f", v[(NR + 1) / 2]; else printf "%.1f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
time_runs() { # time_runs COMMAND: milliseconds of each of $runs runs, one per line
    local i start end
    for ((i = 0; i < runs; ++i)); do
        start=$(date +%s%N)
        bash -c "$1" </dev/null
        end=$(date +%s%N)
        awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f\n", (b - a) / 1e6 }'
    done
}

"$build/tavo-screenshot" >/dev/null 2>&1 &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    xdotool search --all --onlyvisible --pid "$program" --name '.*' >/dev/null 2>&1 && break
    sleep 0.1
done
sleep 1 # let the panel settle and the first hot key arrive at a running event loop

# A foreign window has the focus, so the key reaches the program through its system-wide grab.
xmessage -name foreign -geometry 300x100+200+200 "a foreign window" &
foreign=$!
trap 'kill $program $foreign 2>/dev/null || true' EXIT
sleep 0.5
xdotool search --name '^foreign$' windowactivate --sync >/dev/null 2>&1 || true

tavo=$("$build/bench/clipboard-latency" "$runs" 1600 | median)
xwd_floor=$(time_runs 'xwd -root > /dev/null' | median)
pipeline=$(time_runs 'maim | xclip -selection clipboard >/dev/null 2>&1' | median)

printf 'capture latency, median of %d on %s (%s)\n' "$runs" "$(xdpyinfo | awk '/dimensions:/ { print $2 }')" "$(date -u +%F)"
printf '  %-46s %8s ms\n' "tavo-screenshot: Ctrl+Alt+X to clipboard owner" "$tavo" \
    "xwd -root > /dev/null (raw grab, the floor)" "$xwd_floor" \
    "maim | xclip -selection clipboard" "$pipeline"
awk -v t="$tavo" -v f="$xwd_floor" -v p="$pipeline" \
    'BEGIN { printf "  ratio to the floor: %.2fx; to the pipeline: %.2fx\n", t / f, t / p }'
