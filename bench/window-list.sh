#!/usr/bin/env bash
# The window list the region overlay snaps to, on a 1920x1080 private desktop (Xvfb + openbox)
# with 200 mapped windows of another process: the time one taking of the list takes, median of 10,
# and the program's own CPU time in it (the rest is the X server's work and waiting for a core).
#   bench/window-list.sh [BUILD_DIR]      (default: build/ beside this folder)
# Target: at most 20 ms.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
if [[ "${TAVO_BENCH_ON_DESKTOP:-0}" != 1 ]]; then
    TAVO_BENCH_ON_DESKTOP=1 TAVO_SCREEN=1920x1080x24 exec "$here/../scripts/with-desktop.sh" "$0" "$build"
fi

probe="$build/bench/window-list-probe"
windows=200
runs=10

"$probe" --crowd "$windows" &
crowd=$!
trap 'kill "$crowd" 2>/dev/null || true' EXIT

# Until openbox manages every one of them.
managed() { xprop -root _NET_CLIENT_LIST_STACKING | tr ',' '\n' | grep -c 0x || true; }
for _ in $(seq 200); do
    (($(managed) >= windows)) && break
    sleep 0.1
done
(($(managed) >= windows)) || { echo "window-list: openbox manages only $(managed) windows" >&2; exit 1; }
sleep 1

results=$("$probe" "$runs")
listed=$(awk 'NR == 1 {print $2}' <<<"$results")
sorted=$(awk '{print $1}' <<<"$results" | sort -g)
median=$(sed -n "$(((runs + 1) / 2))p" <<<"$sorted")
worst=$(tail -n1 <<<"$sorted")
cpu=$(awk '{print $3}' <<<"$results" | sort -g | sed -n "$(((runs + 1) / 2))p")
load=$(cut -d' ' -f1 /proc/loadavg)
echo "window list of $windows windows ($listed listed), $runs runs: median $median ms, worst $worst ms (target <= 20 ms)"
echo "  of which CPU time of the program: median $cpu ms; load average meanwhile $load"
