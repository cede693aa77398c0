#!/usr/bin/env bash
# Full-screen capture latency on Wayland: inside a private headless sway session (the wlr
# Screenshot portal, scripts/wayland/with-sway.sh) with a photo-like picture filling the output,
# the time from Ctrl+Alt+X typed with wtype (bound in sway to `tavo-screenshot --full`, handed to
# the running instance, which grabs through the portal) to the new clipboard content and to a
# completed paste of its PNG, seen from another client (wl-paste --watch), median of RUNS;
# beside `grim - | wl-copy`, timed the same way from its start, and the X11 figures of
# bench/capture-latency.sh at the same size.
#   bench/capture-latency-wayland.sh [BUILD_DIR] [SIZE]     (default: build, 1920x1080)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
size=${2:-1920x1080}
runs=${RUNS:-10}

if [[ -z "${TAVO_BENCH_INNER:-}" ]]; then
    for tool in wtype wl-paste wl-copy grim convert; do
        command -v "$tool" >/dev/null || { echo "capture-latency-wayland: $tool is not installed" >&2; exit 2; }
    done
    [[ -x "$build/tavo-screenshot" ]] || { echo "capture-latency-wayland: build the program first" >&2; exit 2; }
    echo "capture latency on Wayland, median of $runs ($(date -u +%F), $(nproc) cores, headless sway $size, pixman)"
    TAVO_BENCH_INNER=1 "$here/../scripts/wayland/with-sway.sh" -p -s "$size" -t 600 -- "$0" "$build" "$size"
    echo "X11 at the same size:"
    RUNS=$runs "$here/capture-latency.sh" "$build" "$size" | tail -n +2
    exit 0
fi

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) printf "%.1f", v[(NR + 1) / 2]; else printf "%.1f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
out=$(mktemp -d)
chmod 755 "$out"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$out"' EXIT

# A photo-like wallpaper, so the PNG is not a flat colour.
convert -seed 7 -size 480x270 plasma:fractal -resize "$size!" -depth 8 "$out/photo.png"
chmod 644 "$out/photo.png"
swaymsg "output * bg $out/photo.png fill" >/dev/null
# sway and its bindings run as nobody when this runs as root: so does the program.
as_sway=(env)
[[ $(id -u) != 0 ]] || as_sway=(setpriv --reuid=nobody --regid=nogroup --clear-groups env)
as_sway+=(XDG_RUNTIME_DIR="$TAVO_WL_DIR/sway-run" HOME="$TAVO_WL_DIR/sway-home")
"${as_sway[@]}" "$build/tavo-screenshot" >/dev/null 2>&1 &
pids+=($!)
sleep 2 # the panel up, the portal started
swaymsg "bindsym Ctrl+Alt+x exec $build/tavo-screenshot --full" >/dev/null

# Each new clipboard content: when it is announced, and when its PNG has been read in full.
wl-paste -t image/png --watch sh -c "date +%s%N >> $out/owner; wc -c >> $out/bytes; date +%s%N >> $out/pasted" &
pids+=($!)
sleep 0.5

time_captures() { # COMMAND...: runs it RUNS times, 2 s apart, and prints "OWNER_MS PASTED_MS BYTES" per run
    : >"$out/owner"; : >"$out/pasted"; : >"$out/bytes"
    for i in $(seq "$runs"); do
        start=$(date +%s%N)
        "$@"
        for _ in $(seq 300); do (($(wc -l <"$out/pasted") >= i)) && break; sleep 0.01; done
        echo "$start" >>"$out/start"
        sleep 2
    done
    paste "$out/start" "$out/owner" "$out/pasted" "$out/bytes" |
        awk '{ printf "%.1f %.1f %d\n", ($2 - $1) / 1e6, ($3 - $1) / 1e6, $4 }'
    rm -f "$out/start"
}
key() { wtype -M ctrl -M alt x -m alt -m ctrl; }
pipeline() { grim - | wl-copy -t image/png; }

tavo=$(time_captures key)
grim_copy=$(time_captures pipeline)
column() { awk -v c="$1" '{ print $c }'; }
printf '  %-48s %8s ms\n' \
    "tavo-screenshot: Ctrl+Alt+X to clipboard content" "$(column 1 <<<"$tavo" | median)" \
    "  the first capture after start alone" "$(head -n1 <<<"$tavo" | column 1)" \
    "tavo-screenshot: Ctrl+Alt+X to pasted PNG" "$(column 2 <<<"$tavo" | median)" \
    "grim - | wl-copy: start to clipboard content" "$(column 1 <<<"$grim_copy" | median)" \
    "grim - | wl-copy: start to pasted PNG" "$(column 2 <<<"$grim_copy" | median)"
printf '  PNG sizes: %s kB (tavo-screenshot), %s kB (grim)\n' \
    "$(column 3 <<<"$tavo" | median | awk '{ printf "%.0f", $1 / 1024 }')" \
    "$(column 3 <<<"$grim_copy" | median | awk '{ printf "%.0f", $1 / 1024 }')"
