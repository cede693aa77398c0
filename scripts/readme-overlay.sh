#!/usr/bin/env bash
# Takes the README's picture of the region overlay: a selection over two windows of a private
# 1280x720 desktop, marked up with a few tools, with the buttons, the tool row and the style bar.
# Needs a build (build/tavo-screenshot, or the folder given second) and the test packages.
#   scripts/readme-overlay.sh [OUTPUT.png] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath -m "${1:-docs/overlay.png}")
program=$(realpath "${2:-build}/tavo-screenshot")

TAVO_SCREEN=1280x720x24 exec scripts/with-desktop.sh bash -s "$program" "$output" <<'SCRIPT'
set -euo pipefail
program=$1 output=$2
convert -size 1280x720 gradient:'#5b7fa6'-'#2c3e55' "$XDG_RUNTIME_DIR/backdrop.png"
display -window root "$XDG_RUNTIME_DIR/backdrop.png" || true
xclock -geometry 220x220+760+90 -update 1 &
xmessage -geometry 420x160+120+120 "Snap to a window, adjust, mark up, pin, read the text." &
"$program" &
pid=$!
trap 'kill $pid %1 %2 2>/dev/null || true' EXIT
sleep 2
"$program" --region
sleep 1
# A free rectangle over both windows, then a rectangle, an arrow, two numbers and a line of text.
xdotool mousemove 90 70 mousedown 1 mousemove 600 300 mousemove 1020 380; sleep 0.2; xdotool mouseup 1
sleep 0.3
step() { xdotool "$@"; sleep 0.3; }
step key r
step mousemove 750 80 mousedown 1
step mousemove 900 200
step mousemove 990 345 mouseup 1
step key a
step mousemove 620 340 mousedown 1
step mousemove 690 310
step mousemove 740 270 mouseup 1
step key n
step mousemove 110 110 click 1
step mousemove 1000 100 click 1
step key t
step mousemove 380 320 click 1
step type "region, marked up"
step key Escape
sleep 0.5
import -window root "$output"
SCRIPT
