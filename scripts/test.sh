#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test: unit tests on Qt's
# offscreen platform, end-to-end tests on private X servers (see scripts/with-desktop.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVO_BUILD_TESTS=ON
cmake --build build-test -j"$(nproc)"
# The wayland-labelled tests run inside private headless compositor sessions; each counts as
# skipped where its session cannot start. Say here, once, why.
for session in sway kwin; do
    if ! why=$(scripts/wayland/with-$session.sh -p -t 60 -- true 2>&1 >/dev/null); then
        echo "Wayland tests on $session skipped: ${why##*$'\n'}"
    fi
done
cd build-test
ctest --output-on-failure -j"$(nproc)" --timeout 600
