#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test: unit tests on Qt's
# offscreen platform, end-to-end tests on private X servers (see scripts/with-desktop.sh). Where
# the Qt for Windows is at hand (../shared/windows), the Windows program too: cross-built with
# MinGW-w64 and tested under Wine (scripts/build-windows.sh, scripts/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVO_BUILD_TESTS=ON
cmake --build build-test -j"$(nproc)"
# The wayland-labelled tests run inside private headless compositor sessions; each counts as
# skipped where its session cannot start. Say here, once, why.
for session in sway kwin gnome; do
    if ! why=$(scripts/wayland/with-$session.sh -p -t 60 -- true 2>&1 >/dev/null); then
        echo "Wayland tests on $session skipped: ${why##*$'\n'}"
    fi
done
status=0
(cd build-test && ctest --output-on-failure -j"$(nproc)" --timeout 600) || status=1

if scripts/build-windows.sh --find-sdk >/dev/null; then
    { scripts/build-windows.sh build-win && scripts/test-windows.sh build-win; } || status=1
else
    echo "Windows program skipped: no Qt for Windows in ../shared/windows (nor in \$TAVO_WINDOWS_SDK)."
fi
exit "$status"
