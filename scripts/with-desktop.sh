#!/usr/bin/env bash
# Runs one command on a private X desktop of its own: Xvfb on a free display, openbox as the window
# manager and trayer as the tray host. Parallel runs never share a display.
#   scripts/with-desktop.sh COMMAND [ARG...]
# TAVO_SCREEN sets the screen (default 1920x1080x24); TAVO_NO_TRAY=1 leaves the tray host out.
# TAVO_HEADS="1920x1080 1280x1024" gives several screens side by side instead, as Qt sees them on a
# real multi-monitor desktop: a nested Xephyr server with one head each, joined by Xinerama, runs
# inside an Xvfb large enough to hold it. TAVO_SERVER_ARGS are more arguments for the (innermost)
# X server, e.g. "-extension MIT-SHM" for a server without shared memory, as a remote one is.
set -euo pipefail

work=$(mktemp -d "${TMPDIR:-/tmp}/tavo-desktop.XXXXXX")
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

wait_for() { # wait_for SECONDS COMMAND...: retry a check until it succeeds or time runs out
    local deadline=$((SECONDS + $1)); shift
    until "$@" >/dev/null 2>&1; do
        if ((SECONDS >= deadline)); then
            echo "with-desktop: timed out waiting for: $*" >&2
            tail -n 20 "$work"/*.log >&2 || true
            return 1
        fi
        sleep 0.05
    done
}

# -noreset: without it the server resets whenever its last client leaves, and a client that
# connects during the reset (openbox, right after the readiness check) is turned away.
start_server() { # start_server NAME ARG...: start an X server on a free display and use it
    local name=$1; shift
    "$@" -displayfd 3 -nolisten tcp -noreset 3>"$work/$name.display" >"$work/$name.log" 2>&1 &
    pids+=($!)
    wait_for 20 test -s "$work/$name.display"
    export DISPLAY=":$(head -n1 "$work/$name.display")"
    wait_for 20 xdpyinfo
}

if [[ -n "${TAVO_HEADS:-}" ]]; then
    heads=() width=0 height=0
    for head in $TAVO_HEADS; do
        heads+=(-screen "$head+$width+0")
        width=$((width + ${head%x*}))
        ((${head#*x} > height)) && height=${head#*x}
    done
    start_server xvfb Xvfb -screen 0 "$((width + 64))x$((height + 64))x24"
    start_server xephyr Xephyr +xinerama -extension RANDR "${heads[@]}" ${TAVO_SERVER_ARGS:-}
else
    start_server xvfb Xvfb -screen 0 "${TAVO_SCREEN:-1920x1080x24}" ${TAVO_SERVER_ARGS:-}
fi

# A session of our own: no session bus (so the tray is the XEmbed one trayer hosts), a fresh
# runtime directory and home, so nothing of the caller's desktop leaks in.
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY SESSION_MANAGER
export XDG_SESSION_TYPE=x11
# A UTF-8 locale whatever the caller had (CI may have none): Qt 5 turns file names, arguments and
# window titles into bytes through the locale, and the Chinese titles must survive that.
export LC_ALL=C.UTF-8
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export HOME="$work/home"
mkdir -p "$HOME"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

if [[ "${TAVO_NO_TRAY:-0}" != 1 ]]; then
    trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true \
        --transparent false >"$work/trayer.log" 2>&1 &
    pids+=($!)
    # trayer maps its "panel" window once it owns the tray selection.
    wait_for 20 sh -c 'xwininfo -root -tree | grep -q "\"panel\": (\"panel\" \"trayer\")"'
fi

set +e
"$@"
status=$?
set -e
exit "$status"
