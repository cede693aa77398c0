#!/usr/bin/env bash
# Smoke test of the packed Windows program under Wine:
#   tests/wine-smoke.sh tavo-screenshot-VERSION-win64.zip
# scripts/test-windows.sh runs it on a private X desktop (Xvfb, openbox, trayer) with WINEPREFIX
# made. The zip is unpacked and the exe started from another folder with no Qt paths set, so it
# must find its DLLs and plug-ins beside itself. Wine hands RegisterHotKey combinations to the
# program only while one of its own windows has the focus, so each hot key goes to one of them.
set -euo pipefail
zip=$(realpath "$1")
icon=$(realpath "$(dirname "$0")/../resources/tavo.ico")
title='TAVO截图'

work=$(mktemp -d "${TMPDIR:-/tmp}/wine-smoke.XXXXXX")
app=
cleanup() {
    [[ -z "$app" ]] || kill "$app" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
unset QT_PLUGIN_PATH QT_QPA_PLATFORM WINEPATH

# Wine's own media layer prints GStreamer warnings by the dozen: the program's output is kept in a
# file and shown only when something failed.
fail() {
    echo "wine-smoke: FAILED: $*" >&2
    [[ -s "${work:-}/program.log" ]] && { echo "--- the program's output:" >&2; tail -n 40 "$work/program.log" >&2; }
    exit 1
}
passed() { echo "wine-smoke: ok: $*"; }
wait_until() { # wait_until SECONDS WHAT COMMAND...: retry a check until it holds
    local deadline=$((SECONDS + $1)) what=$2
    shift 2
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || fail "$what"
        sleep 0.2
    done
}

# The program's visible windows titled "TAVO截图": the panel is the low one, the boards the rest.
titled() { xdotool search --onlyvisible --name "^$title\$" 2>/dev/null || true; }
height_of() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^HEIGHT=//p'; }
panel() { local w; for w in $(titled); do (($(height_of "$w") < 100)) && echo "$w"; done; return 0; }
board_count() { local n=0 w; for w in $(titled); do (($(height_of "$w") >= 100)) && n=$((n + 1)); done; echo "$n"; }
has_panel() { [[ -n "$(panel)" ]]; }
has_no_panel() { [[ -z "$(panel)" ]]; }
has_boards() { (($(board_count) == $1)); }
any_board() { local w; for w in $(titled); do (($(height_of "$w") >= 100)) && { echo "$w"; return; }; done; }
focus() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"; }
hot_key() { focus "$1"; xdotool key "$2"; }

mkdir -p "$work/app" "$work/elsewhere"
(cd "$work/app" && cmake -E tar xf "$zip")
exe=$(echo "$work"/app/*/tavo-screenshot.exe)
[[ -f "$exe" ]] || fail "no tavo-screenshot.exe in $zip"

# ---- start: the panel at the bottom right, with the icon from the exe ------------------------
# The folder it is started from holds plug-ins of its own, which must never be loaded.
cp -r "$(dirname "$exe")/platforms" "$(dirname "$exe")/mediaservice" "$work/elsewhere/"
mkdir -p "$work/elsewhere/plugins" && mv "$work/elsewhere/platforms" "$work/elsewhere/mediaservice" "$work/elsewhere/plugins/"
cd "$work/elsewhere"

# ---- text recognition: the recogniser in ocr/ beside the exe reads a picture file ------------
if [[ -f "$(dirname "$exe")/ocr/onnxruntime.dll" ]]; then
    convert -size 320x60 xc:white -font "$(fc-match -f '%{file}' 'Noto Sans CJK SC')" -pointsize 24 \
        -fill '#202020' -annotate +10+40 '文件已保存到桌面' "$work/text.png"
    read_text=$(timeout 120 wine "$exe" --ocr "$(winepath -w "$work/text.png")" 2>>"$work/program.log" | tr -d '\r') || true
    [[ "$read_text" == 文件已保存到桌面 ]] || fail "--ocr read '$read_text' with the recogniser beside the exe"
    passed "--ocr reads with the recogniser beside the exe"
fi

wine "$exe" >"$work/program.log" 2>&1 &
app=$!
wait_until 90 "the panel titled $title did not appear" has_panel
home=$(panel)
eval "$(xdotool getwindowgeometry --shell "$home")"
read -r screen_w screen_h < <(xdotool getdisplaygeometry)
((X + WIDTH == screen_w && Y + HEIGHT == screen_h - 40)) ||
    fail "panel at ${X},${Y} size ${WIDTH}x${HEIGHT}, not at the bottom right of ${screen_w}x${screen_h}"
# Wine hands the window's icon to X: its 32x32 picture must be the exe's IDI_ICON1.
xprop -id "$home" -notype 32c _NET_WM_ICON | sed 's/^[^=]*= //' | tr -d ' ' | tr ',' '\n' | sed -n '3,1026p' \
    >"$work/icon-shown"
convert "$icon" -depth 8 rgba:- | od -An -v -tu1 -w4 |
    awk '{ printf "%.0f\n", $4 * 16777216 + $1 * 65536 + $2 * 256 + $3 }' >"$work/icon-file"
cmp -s "$work/icon-shown" "$work/icon-file" || fail "the panel does not show the exe's icon"
passed "panel titled $title at the bottom right, with the exe's icon"

# ---- a second start ends at once with status 0 and leaves one instance -----------------------
set +e
timeout 60 wine "$exe" >>"$work/program.log" 2>&1
second=$?
set -e
((second == 0)) || fail "a second start exited with status $second"
kill -0 "$app" 2>/dev/null || fail "the first instance ended at the second start"
[[ $(panel) == "$home" ]] || fail "a second start changed the panels: $(panel)"
passed "second start exited with status 0, one instance left"

# ---- hot keys ------------------------------------------------------------------------------
hot_key "$home" ctrl+alt+o
wait_until 20 "Ctrl+Alt+O on the panel opened no board" has_boards 1
passed "Ctrl+Alt+O opens a board"

# The window system closes the panel: Qt destroys its native window, with the hot keys on it.
focus "$home"
xdotool key alt+F4
wait_until 20 "Alt+F4 did not close the panel" has_no_panel
kill -0 "$app" 2>/dev/null || fail "Alt+F4 on the panel ended the program"
hot_key "$(any_board)" ctrl+alt+o
wait_until 20 "after Alt+F4 on the panel, Ctrl+Alt+O opened no board" has_boards 2
passed "the hot keys survive Alt+F4 on the panel"

# A full-screen capture from a board: the desktop lands on the clipboard (Wine offers it to X
# clients) and the panel comes back afterwards.
hot_key "$(any_board)" ctrl+alt+x
wait_until 20 "the panel did not come back after Ctrl+Alt+X" has_panel
# Wine's clipboard manager takes the X selection a moment after the program set the clipboard.
offers_png() { xclip -selection clipboard -t TARGETS -o | grep -qx image/png; }
wait_until 20 "no picture on the clipboard after Ctrl+Alt+X" offers_png
xclip -selection clipboard -t image/png -o >"$work/capture.png"
size=$(identify -format '%wx%h' "$work/capture.png")
[[ "$size" == "${screen_w}x${screen_h}" ]] || fail "the capture is $size, the screen ${screen_w}x${screen_h}"
passed "Ctrl+Alt+X puts a ${size} capture on the clipboard and shows the panel again"
# Wine maps a Windows DLL from its file: the window system's and the shutter sound's plug-ins
# must have come from the folders beside the exe.
for plugin in platforms/qwindows.dll mediaservice/dsengine.dll; do
    grep -qF "$(dirname "$exe")/$plugin" "/proc/$app/maps" || fail "$plugin was not loaded from beside the exe"
done
! grep -qF "$work/elsewhere/plugins/" "/proc/$app/maps" || fail "a plug-in was loaded from the current folder"
passed "the window system and media plug-ins were loaded from beside the exe, none from the current folder"

# ---- a region capture shows the frozen desktop, every screen's part of it; Escape leaves it ---
overlay_up() {
    local w
    for w in $(xdotool search --onlyvisible --class tavo-screenshot.exe 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        ((WIDTH == screen_w && HEIGHT == screen_h)) && return 0
    done
    return 1
}
overlay_gone() { ! overlay_up; }
centre="400x300+$((screen_w / 2 - 200))+$((screen_h / 2 - 150))"
board=$(any_board)
focus "$board"
import -window root -crop "$centre" +repage "$work/before-region.png"
# The pointer in the top-left corner, on no window: the overlay then outlines the whole screen,
# dims nothing and keeps its magnifier beside the corner, clear of the middle compared below.
xdotool mousemove 5 5
xdotool key ctrl+alt+f
wait_until 20 "Ctrl+Alt+F showed no full-screen overlay" overlay_up
sleep 0.5
import -window root -crop "$centre" +repage "$work/overlay.png"
differing=$(compare -metric AE "$work/before-region.png" "$work/overlay.png" null: 2>&1 || true)
[[ "$differing" == 0 ]] || fail "the region overlay does not show the desktop ($differing pixels differ)"
xdotool key Escape
wait_until 20 "Escape did not close the region overlay" overlay_gone
passed "Ctrl+Alt+F shows the frozen desktop; Escape leaves it"

home=$(panel)
hot_key "$home" ctrl+alt+o
wait_until 20 "Ctrl+Alt+O on the panel shown again opened no board" has_boards 3
passed "Ctrl+Alt+O on the panel shown again opens a board"

# ---- the toolkit's own texts are Chinese, from the translation beside the exe -----------------
# The colour chooser (the fifth tool of a board, then the settings window's colour button) has no
# title of the program's own: the toolkit's "Select Color" is shown in Chinese.
windows_before=$(titled | sort)
board=$(any_board)
focus "$board"
eval "$(xdotool getwindowgeometry --shell "$board")" # X and Y: the client area, as the pen tool's place
xdotool mousemove $((X + 16)) $((Y + 143)) sleep 0.3 click 1
settings_shown() { comm -13 <(echo "$windows_before") <(titled | sort) | grep -q .; }
wait_until 20 "the board's pen tool opened no settings window" settings_shown
settings=$(comm -13 <(echo "$windows_before") <(titled | sort) | head -n1)
focus "$settings"
xdotool key Tab space
wait_until 20 "the colour chooser is not titled in Chinese" xdotool search --onlyvisible --name '^选择颜色$'
xdotool key Escape
wait_until 20 "Escape did not close the colour chooser" bash -c "! xdotool search --onlyvisible --name '^选择颜色\$'"
xdotool windowclose "$settings" 2>/dev/null || { focus "$settings"; xdotool key alt+F4; }
wait_until 20 "the settings window did not close" bash -c "! xdotool search --onlyvisible --name '^$title\$' | grep -qx '$settings'"
passed "the toolkit's colour chooser is titled in Chinese"

# ---- the panel's menu: its last entry, 退出程序, ends the program with status 0 ---------------
menus_before=$(xdotool search --onlyvisible --class tavo-screenshot.exe 2>/dev/null | sort)
xdotool mousemove --window "$home" 3 3 click 3
menu_appeared() {
    comm -13 <(echo "$menus_before") <(xdotool search --onlyvisible --class tavo-screenshot.exe | sort) |
        grep -q .
}
wait_until 20 "a right click on the panel opened no menu" menu_appeared
menu=$(comm -13 <(echo "$menus_before") <(xdotool search --onlyvisible --class tavo-screenshot.exe | sort) | head -n1)
eval "$(xdotool getwindowgeometry --shell "$menu")"
# Three entries of one height: the middle of the last one.
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT * 5 / 6)) sleep 0.3 click 1
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.2; done
kill -0 "$app" 2>/dev/null && fail "退出程序 did not end the program"
set +e
wait "$app"
status=$?
set -e
app=
((status == 0)) || fail "the program ended with status $status after 退出程序"
passed "退出程序 ends the program with status 0"
