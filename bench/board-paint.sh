#!/usr/bin/env bash
# Idle CPU and paint time of the drawing board on a private X server.
#   bench/board-paint.sh [BUILD_DIR]   (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
cmake --build "$build" --target board-paint -j2 >/dev/null
QT_QPA_PLATFORM=xcb "$here/../scripts/with-desktop.sh" "$build/bench/board-paint"
