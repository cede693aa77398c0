#!/usr/bin/env bash
# Runs COMMAND inside a private headless GNOME Shell session: a session bus, a stand-in for the
# system bus, gnome-shell --headless with one virtual monitor, mutter's remote-desktop input,
# the settings daemon's key bindings and, with -p or on first use, xdg-desktop-portal with its
# GNOME back end (Screenshot). Stops everything it started when
# COMMAND ends and exits with COMMAND's status.
. "$(dirname "$0")/session-lib.sh"
usage() {
  cat >&2 <<EOF
usage: with-gnome.sh [options] [--] COMMAND [ARG...]
$usage_common
COMMAND sees WAYLAND_DISPLAY, DBUS_SESSION_BUS_ADDRESS, XDG_RUNTIME_DIR, HOME (GNOME's settings
live there, in dconf), TAVO_WL_DIR (the session folder) and TAVO_GNOME_INPUT, the socket through
which "gnome-input.py \$TAVO_GNOME_INPUT STEP..." types keys and moves the pointer.
EOF
  exit 2
}
arguments=("$@")
while getopts "w:t:ps:h" o; do
  common_option "$o" "${OPTARG:-}"
done
shift $((OPTIND - 1))
[ $# -gt 0 ] || usage
need gnome-shell dbus-daemon dbus-send
[ "$portal" = 0 ] || need_services org.freedesktop.portal.Desktop org.freedesktop.impl.portal.desktop.gnome
open_session

export WAYLAND_DISPLAY=tavo-wl-gnome
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland XDG_SESSION_DESKTOP=gnome
# No GPU: mutter renders with Mesa's software OpenGL.
export LIBGL_ALWAYS_SOFTWARE=1
# The shell and the GNOME portal ask logind, accounts and the like on the system bus, and give up
# on what does not answer; a private bus of their own keeps them from the machine's (or a missing
# one). Before the session bus, whose services inherit its address.
dbus-daemon --config-file=/usr/share/dbus-1/session.conf --address="unix:path=$work/system-bus" \
  --nofork --nopidfile >"$work/system-bus.log" 2>&1 &
daemons="$daemons $!"
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/system-bus
# The shell waits for its screen-recording service (gjs with GStreamer) before it says it has
# started, and that service's start has been seen to hang for over a minute. Nothing here records
# the screen: a service of that name that ends at once, in the session's own service folder
# (which comes first), lets the shell go on.
install -d "$XDG_RUNTIME_DIR/dbus-1/services"
printf '[D-BUS Service]\nName=org.gnome.Shell.Screencast\nExec=/bin/false\n' \
  >"$XDG_RUNTIME_DIR/dbus-1/services/org.gnome.Shell.Screencast.service"
start_bus
# The session's own notices ("Logged in as a privileged user", "Screen Lock disabled") would come
# as banners over the windows under test, at times of their own: the session keeps them in its
# list, unshown, as a user who turned banners off has it.
gsettings set org.gnome.desktop.notifications show-banners false
gnome-shell --headless --no-x11 --wayland-display "$WAYLAND_DISPLAY" \
  --virtual-monitor "$size" >"$work/gnome-shell.log" 2>&1 &
shell_pid=$!
daemons="$daemons $shell_pid"
wait_for "$shell_pid" 30 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail_start gnome-shell "$work/gnome-shell.log"
# The shell's own services (Screenshot among them) are up once it says it has started, within
# seconds even on a busy machine. Now and then it stands still half-way for a minute or more,
# on a reply it never gets; the whole session then starts once more, afresh.
if ! wait_for "$shell_pid" 30 grep -q "GNOME Shell started" "$work/gnome-shell.log"; then
  if [ -n "${TAVO_GNOME_SECOND_START:-}" ]; then
    fail_start gnome-shell "$work/gnome-shell.log"
  fi
  say "gnome-shell did not start within 30 s; the session starts once more"
  trap - EXIT INT TERM
  stop_pids $(session_pids)
  [ "$made_work" = 0 ] || rm -rf "$work"
  TAVO_GNOME_SECOND_START=1 exec "$0" "${arguments[@]}"
fi
unset TAVO_GNOME_SECOND_START
# A headless shell has no input devices, so its seat has no keyboard, and no client (ours, wl-copy)
# can ever hold the clipboard: a remote-desktop session gives it a virtual keyboard and pointer,
# which gnome-input.py drives.
export TAVO_GNOME_INPUT=$work/gnome-input.sock
/usr/bin/python3 "$here/gnome-input.py" serve "$TAVO_GNOME_INPUT" >"$work/gnome-input.log" 2>&1 &
input_pid=$!
daemons="$daemons $input_pid"
wait_for "$input_pid" 10 grep -qx up "$work/gnome-input.log" || fail_start "gnome-input.py" "$work/gnome-input.log"
# The settings daemon's part that runs GNOME's custom key bindings (it asks the shell to grab them).
if [ -x /usr/libexec/gsd-media-keys ]; then
  /usr/libexec/gsd-media-keys >"$work/gsd-media-keys.log" 2>&1 &
  daemons="$daemons $!"
fi
if [ "$portal" = 1 ]; then
  start_portal org.freedesktop.impl.portal.desktop.gnome org.freedesktop.portal.Screenshot
  # GNOME 43's portal asks once whether a program may take screenshots without its dialog
  # ("Allow … to Take Screenshots?") and keeps the answer: given here, as a user would.
  /usr/bin/python3 - <<'PY' || fail_start "the portal's permission store" "$work/dbus.log"
import dbus
store = dbus.Interface(dbus.SessionBus().get_object("org.freedesktop.impl.portal.PermissionStore",
                                                    "/org/freedesktop/impl/portal/PermissionStore"),
                       "org.freedesktop.impl.portal.PermissionStore")
store.SetPermission("screenshot", True, "screenshot", "", ["yes"])
PY
fi

run_command "$@"
