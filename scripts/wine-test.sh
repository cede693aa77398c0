#!/usr/bin/env bash
# Runs one cross-built Qt Test program under Wine; the Windows build gives it to ctest as the
# emulator, so `ctest` in that build runs every unit test this way.
#   scripts/wine-test.sh QT_DIR TEST.exe [ARG...]
# The Qt DLLs and plug-ins are taken from QT_DIR (the unpacked Qt for Windows) instead of being
# copied. The caller sets WINEPREFIX (made once with `wineboot -i`) and DISPLAY.
# Wine does not hand a Windows program's standard output back to us, so the test writes its log to
# a file, printed here afterwards. The exit status is the program's: the number of failed cases.
set -euo pipefail
qt=$1 exe=$2
shift 2

# Wine's drive Z: is the Unix root.
windowsPath() { local unix; unix=$(realpath -m "$1"); printf 'Z:%s' "${unix//\//\\}"; }

log=$(mktemp "${TMPDIR:-/tmp}/wine-test.XXXXXX")
output=$(mktemp "${TMPDIR:-/tmp}/wine-test.XXXXXX")
trap 'rm -f "$log" "$output"' EXIT
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPATH
WINEPATH=$(windowsPath "$qt/bin")
export QT_PLUGIN_PATH
QT_PLUGIN_PATH=$(windowsPath "$qt/plugins")

set +e
# Through a file: the first program in a prefix starts Wine's own services, which inherit its
# output and outlive it, and ctest would wait for a pipe they hold.
wine "$exe" "$@" -o "$(windowsPath "$log"),txt" </dev/null >"$output" 2>&1
status=$?
set -e
cat "$output" "$log"
if ! grep -q '^Totals:' "$log"; then
    echo "wine-test: $(basename "$exe") ended with status $status before writing its totals" >&2
    ((status != 0)) || status=1
fi
exit "$status"
