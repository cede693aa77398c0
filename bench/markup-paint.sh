#!/usr/bin/env bash
# Paint times of the mark-up on a 4K picture with 300 items (see bench/markup-paint.cpp). Needs no
# display: it paints into pictures on Qt's offscreen platform.
#   bench/markup-paint.sh [BUILD_DIR]   (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
cmake --build "$build" --target markup-paint -j2 >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bench/markup-paint"
