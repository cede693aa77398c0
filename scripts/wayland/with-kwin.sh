#!/usr/bin/env bash
# Runs COMMAND inside a private headless KWin session: a session bus, kwin_wayland --virtual
# (which also serves kglobalaccel) and, with -p or on first use, xdg-desktop-portal with its KDE
# back end (GlobalShortcuts). Stops everything it started when COMMAND ends and exits with
# COMMAND's status.
. "$(dirname "$0")/session-lib.sh"
usage() {
  cat >&2 <<EOF
usage: with-kwin.sh [options] [--] COMMAND [ARG...]
$usage_common
COMMAND sees WAYLAND_DISPLAY, DBUS_SESSION_BUS_ADDRESS, XDG_RUNTIME_DIR, HOME (KWin keeps
kglobalshortcutsrc there) and TAVO_WL_DIR (the session folder). KWin trusts every client of this
session with fake input (kwin-keys).
EOF
  exit 2
}
while getopts "w:t:ps:h" o; do
  common_option "$o" "${OPTARG:-}"
done
shift $((OPTIND - 1))
[ $# -gt 0 ] || usage
need kwin_wayland dbus-daemon dbus-send
[ "$portal" = 0 ] || need_services org.freedesktop.portal.Desktop org.freedesktop.impl.portal.desktop.kde
kwin=$(command -v kwin_wayland)
open_session

# A copy has no file capabilities, which a container may refuse to grant at exec time
cp "$kwin" "$work/kwin_wayland"
export WAYLAND_DISPLAY=tavo-wl-kwin
export XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland KDE_FULL_SESSION=true KDE_SESSION_VERSION=5
start_bus
# OpenGL compositing, in software (Mesa's llvmpipe) without a GPU: with QPainter compositing KWin
# leaves out its screenshot effect, and with it both of its screenshot interfaces, which the KDE
# portal takes its pictures through.
KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_COMPOSE="${KWIN_COMPOSE:-O2}" LIBGL_ALWAYS_SOFTWARE=1 "$work/kwin_wayland" \
  --virtual --no-lockscreen --socket tavo-wl-kwin --width "${size%x*}" --height "${size#*x}" \
  >"$work/kwin.log" 2>&1 &
kwin_pid=$!
daemons="$daemons $kwin_pid"
wait_for "$kwin_pid" 20 test -S "$XDG_RUNTIME_DIR/tavo-wl-kwin" || fail_start kwin_wayland "$work/kwin.log"
wait_for "$kwin_pid" 20 bus_has org.kde.kglobalaccel || fail_start "kglobalaccel (in KWin)" "$work/kwin.log"
wait_for "$kwin_pid" 20 dbus-send --session --print-reply --dest=org.kde.KWin /org/kde/KWin/ScreenShot2 \
  org.freedesktop.DBus.Properties.Get string:org.kde.KWin.ScreenShot2 string:Version ||
  fail_start "KWin's screenshot effect" "$work/kwin.log"
# The KDE portal saves each picture in the Pictures folder, and answers "cancelled" when it cannot.
mkdir -p "$HOME/Pictures"
[ "$portal" = 0 ] ||
  start_portal org.freedesktop.impl.portal.desktop.kde org.freedesktop.portal.GlobalShortcuts

run_command "$@"
