#!/usr/bin/env bash
# Takes the README's picture: the panel and its open tray menu at the bottom right of a private
# 1280x720 desktop. Needs a build (build/tavo-screenshot) and the test packages.
#   scripts/readme-screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath -m "${1:-docs/panel.png}")
program=$(realpath build/tavo-screenshot)

TAVO_SCREEN=1280x720x24 exec scripts/with-desktop.sh bash -s "$program" "$output" <<'SCRIPT'
set -euo pipefail
program=$1 output=$2
# A calm backdrop, so the panel's own colours are what the eye meets.
convert -size 1280x720 gradient:'#5b7fa6'-'#2c3e55' "$XDG_RUNTIME_DIR/backdrop.png"
display -window root "$XDG_RUNTIME_DIR/backdrop.png" || true
"$program" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    icon=$( (xwininfo -root -tree | awk '/"tavo-screenshot": \("tavo-screenshot"/ {print $1; exit}') || true)
    panel=$(xdotool search --onlyvisible --all --pid "$pid" --name 'TAVO' 2>/dev/null | head -n1 || true)
    [[ -n "$icon" && -n "$panel" ]] && break
    sleep 0.1
done
# Step the panel aside, so the menu that opens above the tray does not cover it.
eval "$(xdotool getwindowgeometry --shell "$panel")"
xdotool windowmove "$panel" $((X - 250)) "$Y"
sleep 0.5
# Open the tray menu with a right click on the icon.
eval "$(xdotool getwindowgeometry --shell "$icon")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
sleep 0.8
import -window root -crop 520x300+760+420 +repage "$output"
echo "wrote $output"
SCRIPT
