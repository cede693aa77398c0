# shellcheck shell=bash disable=SC2034
# Shared by with-sway.sh, with-kwin.sh and with-gnome.sh; sourced, not run.
# Everything a session starts carries TAVO_WL_SESSION=<session folder> in its environment, and
# close_session stops exactly those processes (by PID), whatever started them (D-Bus activation,
# sway's exec, the command).

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
me=${0##*/}
limit=600 portal=0 size=1280x720 work='' daemons='' bus_pid='' made_work=0
# The exit status that tells ctest (SKIP_RETURN_CODE) a session could not start on this machine.
readonly cannot_start=77
say() { echo "$me: $*" >&2; }
die() { say "$*"; exit 2; }
usage_common="  -w DIR   use DIR for the session (logs, sockets, HOME) and keep it; default: a temporary
           folder, removed afterwards unless COMMAND fails
  -t SECS  stop COMMAND after SECS seconds (default 600, 0 = no limit)
  -p       start the portal before COMMAND (otherwise D-Bus starts it on first use)
  -s WxH   output size (default 1280x720)
Exit status: COMMAND's (124 when stopped after -t), or $cannot_start with one line on stderr when
the session cannot start on this machine."

# common_option LETTER VALUE: handles the options listed in usage_common
common_option() {
  case $1 in
    w) work=$2 ;;
    t) [[ $2 =~ ^[0-9]+$ ]] || die "-t wants a number of seconds"; limit=$2 ;;
    p) portal=1 ;;
    s) [[ $2 =~ ^[0-9]+x[0-9]+$ ]] || die "-s wants WIDTHxHEIGHT"; size=$2 ;;
    *) usage ;;
  esac
}

# cannot_run WHY: the one line that says this machine cannot hold the session, and the status
# that makes ctest count the test as skipped
cannot_run() {
  say "cannot start the session: $*; skipped"
  exit "$cannot_start"
}

# need PROGRAM...: every program is installed, or the session cannot run here
need() {
  local program
  for program in "$@"; do
    command -v "$program" >/dev/null || cannot_run "$program is not installed (scripts/setup-debian.sh test)"
  done
}

# need_services NAME...: D-Bus can start every one of these services
need_services() {
  local name
  for name in "$@"; do
    [ -e "/usr/share/dbus-1/services/$name.service" ] ||
      cannot_run "no D-Bus service $name is installed (scripts/setup-debian.sh test)"
  done
}

# wait_for PID SECONDS CMD...: runs CMD every 0.1 s until it succeeds; fails after about SECONDS,
# or at once when process PID has ended
wait_for() {
  local pid=$1 tries=$(($2 * 10))
  shift 2
  until "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] && running "$pid" || return 1
    sleep 0.1
  done
}

# fail_start WHAT LOG: a daemon that did not come up ends the session; its log stays for a look
fail_start() {
  made_work=0
  cannot_run "$1 did not come up (log: $2)"
}

open_session() {
  if [ -n "$work" ]; then
    work=$(mkdir -p "$work" && cd "$work" && pwd) || die "cannot use $work"
  else
    work=$(mktemp -d "${TMPDIR:-/tmp}/tavo-wl.XXXXXX") || cannot_run "mktemp failed"
    made_work=1
  fi
  chmod 711 "$work"
  rm -f "$work/bus"
  install -d -m 700 "$work/run" "$work/home"
  export TAVO_WL_SESSION=$work TAVO_WL_DIR=$work
  export XDG_RUNTIME_DIR=$work/run HOME=$work/home
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/bus
  # Test tools built with the tests (kwin-keys) come first.
  [ -z "${TAVO_WAYLAND_TOOLS:-}" ] || export PATH="$TAVO_WAYLAND_TOOLS:$PATH"
  unset DISPLAY WAYLAND_DISPLAY
  trap 'close_session $?' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

bus_has() {
  dbus-send --session --print-reply --reply-timeout=2000 --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# start_bus [any-uid]: a session bus at $work/bus; any-uid lets other users connect too (sway
# runs its bindings as the sway user). Export what activated services need before calling this.
start_bus() {
  local conf=/usr/share/dbus-1/session.conf
  if [ "${1:-}" = any-uid ]; then
    conf=$work/bus.conf
    cat >"$conf" <<'XML'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <policy context="default"><allow user="*"/></policy>
</busconfig>
XML
  fi
  dbus-daemon --config-file="$conf" --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile \
    >"$work/dbus.log" 2>&1 &
  bus_pid=$!
  wait_for "$bus_pid" 10 bus_has org.freedesktop.DBus || fail_start dbus-daemon "$work/dbus.log"
}

# start_portal BACKEND INTERFACE: starts the backend and xdg-desktop-portal, waits for INTERFACE
start_portal() {
  local name
  for name in "$1" org.freedesktop.portal.Desktop; do
    dbus-send --session --print-reply --reply-timeout=30000 --dest=org.freedesktop.DBus / \
      org.freedesktop.DBus.StartServiceByName "string:$name" uint32:0 >/dev/null ||
      fail_start "$name" "$work/dbus.log"
  done
  wait_for "$bus_pid" 10 dbus-send --session --print-reply --reply-timeout=2000 \
    --dest=org.freedesktop.portal.Desktop /org/freedesktop/portal/desktop \
    org.freedesktop.DBus.Properties.Get "string:$2" string:version ||
    fail_start "$2" "$work/dbus.log"
}

run_command() {
  local rc=0
  if [ "$limit" -gt 0 ]; then
    timeout --foreground -k 5 "$limit" "$@" || rc=$?
    [ "$rc" -ne 124 ] || say "COMMAND still running after $limit s; stopped"
  else
    "$@" || rc=$?
  fi
  return "$rc"
}

# running PID: the process exists and is not a zombie (its stat stays readable whoever owns it)
running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

# marked PIDS...: those of PIDS that still run with this session's mark (not zombies, not reused)
marked() {
  local self=$BASHPID files=("${@/#//proc/}")
  grep -lsxzF "TAVO_WL_SESSION=$work" "${files[@]/%//environ}" | sed 's|^/proc/||; s|/environ$||' |
    grep -vx -e "$$" -e "$self"
}
session_pids() {
  local pids=(/proc/[0-9]*)
  marked "${pids[@]#/proc/}"
}

# stop_pids PIDS...: SIGTERM, up to 3 s to end, then SIGKILL
stop_pids() {
  local left
  [ $# -gt 0 ] || return 0
  kill -TERM "$@" 2>/dev/null
  for _ in $(seq 30); do
    left=$(for p in "$@"; do running "$p" && echo "$p"; done)
    [ -n "$left" ] || return 0
    sleep 0.1
  done
  say SIGKILL to $left
  kill -KILL $left 2>/dev/null
}

close_session() {
  local rc=$1
  trap - EXIT INT TERM
  # first what the command and the bus left running (while the compositor still runs), then the
  # compositor and PipeWire, the bus last
  stop_pids $(session_pids | grep -vxF "$(printf '%s\n' $daemons "${bus_pid:-none}")")
  stop_pids $daemons
  stop_pids $(session_pids)
  wait 2>/dev/null
  if [ "$made_work" = 1 ] && { [ "$rc" -eq 0 ] || [ "$rc" -eq "$cannot_start" ]; } &&
    [ "${TAVO_WL_KEEP:-0}" != 1 ]; then
    rm -rf "$work"
  elif [ -n "$work" ] && [ "$rc" -ne "$cannot_start" ]; then
    { [ "$made_work" = 1 ] || [ "$rc" -ne 0 ]; } && say "session folder (logs): $work"
  fi
  exit "$rc"
}
