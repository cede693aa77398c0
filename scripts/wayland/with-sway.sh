#!/usr/bin/env bash
# Runs COMMAND inside a private headless sway session: a session bus, sway (as user nobody when
# run as root: sway refuses root), PipeWire and, with -p or on first use, the Screenshot portal
# with its wlr back end. Stops everything it started when COMMAND ends and exits with COMMAND's
# status.
. "$(dirname "$0")/session-lib.sh"
usage() {
  cat >&2 <<EOF
usage: with-sway.sh [options] [--] COMMAND [ARG...]
  -c FILE  append FILE to sway's configuration (bindsym lines, ...); may be repeated
$usage_common
COMMAND runs as the calling user and sees WAYLAND_DISPLAY (absolute socket path), SWAYSOCK,
DBUS_SESSION_BUS_ADDRESS, XDG_RUNTIME_DIR, HOME, TAVO_WL_DIR (the session folder) and TAVO_WL_OUT
(a folder that programs started by sway's bindings can write to).
EOF
  exit 2
}
confs=()
while getopts "c:w:t:ps:h" o; do
  case $o in
    c) [ -r "$OPTARG" ] || die "cannot read $OPTARG"; confs+=("$OPTARG") ;;
    *) common_option "$o" "${OPTARG:-}" ;;
  esac
done
shift $((OPTIND - 1))
[ $# -gt 0 ] || usage
need sway dbus-daemon dbus-send cc
[ "$portal" = 0 ] || { need pipewire grim; need_services org.freedesktop.portal.Desktop org.freedesktop.impl.portal.desktop.wlr; }
open_session

install -d -m 700 "$work/sway-run" "$work/sway-home"
install -d -m 1777 "$work/out"
rm -f "$work"/sway-run/sway-ipc.*.sock
# sway 1.7 names its socket "wayland-N" itself; this shim makes it tavo-wl-sway
cc -shared -fPIC -o "$work/wl-socket-name.so" "$here/wl-socket-name.c" -ldl ||
  cannot_run "cannot build wl-socket-name.c"
as_sway=()
if [ "$(id -u)" = 0 ]; then
  as_sway=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  chown nobody:nogroup "$work/sway-run" "$work/sway-home"
  "${as_sway[@]}" test -x "$work" ||
    cannot_run "sway runs as nobody, who cannot reach $work (every folder above it needs o+x)"
fi
{
  echo "xwayland disable"
  echo "output HEADLESS-1 resolution $size position 0,0 bg #3366aa solid_color"
  echo "default_border none"
  for f in "${confs[@]}"; do cat "$f"; echo; done
} >"$work/sway.conf"
chmod 644 "$work/sway.conf"

export WAYLAND_DISPLAY=$work/sway-run/tavo-wl-sway TAVO_WL_OUT=$work/out
export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland
start_bus any-uid
# Headless: no GPU (pixman renders) and no input devices (wtype and the virtual pointer instead)
env -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work/sway-run" HOME="$work/sway-home" \
  WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER="${WLR_RENDERER:-pixman}" \
  "${as_sway[@]}" env TAVO_WL_SOCKET=tavo-wl-sway LD_PRELOAD="$work/wl-socket-name.so" \
  sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
sway_pid=$!
daemons="$daemons $sway_pid"
wait_for "$sway_pid" 10 test -S "$WAYLAND_DISPLAY" || fail_start sway "$work/sway.log"
wait_for "$sway_pid" 5 compgen -G "$work/sway-run/sway-ipc.*.sock" || fail_start "sway IPC" "$work/sway.log"
SWAYSOCK=$(compgen -G "$work/sway-run/sway-ipc.*.sock")
export SWAYSOCK

# xdg-desktop-portal-wlr 0.7 exits at start-up without a PipeWire daemon
if command -v pipewire >/dev/null; then
  pipewire >"$work/pipewire.log" 2>&1 &
  daemons="$daemons $!"
  wait_for $! 10 test -S "$XDG_RUNTIME_DIR/pipewire-0" || fail_start pipewire "$work/pipewire.log"
fi
[ "$portal" = 0 ] ||
  start_portal org.freedesktop.impl.portal.desktop.wlr org.freedesktop.portal.Screenshot

run_command "$@"
