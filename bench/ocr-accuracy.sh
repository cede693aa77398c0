#!/usr/bin/env bash
# Character error rate of text recognition on lines the probe renders itself (Chinese interface
# text, English, both mixed with numbers and punctuation; Noto Sans CJK, WenQuanYi Micro Hei and
# Zen Hei, Droid Sans Fallback; light and dark; 12 to 28 px at scale 1 and 2), for Debian's
# tesseract as it comes and for the program's recognition side by side, and the time to read a
# 1920x1080 picture full of text (the median of --runs readings, 3 unless told, and the first
# reading, which loads the engines). Targets: at most 3 % errors, at most 2 s.
#   bench/ocr-accuracy.sh [BUILD_DIR] [--engine ppocr|tesseract] [--heights H1,H2,...] [--runs N] [--verbose] [--time-only]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
shift || true
probe="$build/bench/ocr-accuracy"
[[ -x "$probe" ]] || { echo "ocr-accuracy: build the ocr-accuracy target first" >&2; exit 2; }
printf 'text recognition on %s cores (%s)\n' "$(nproc)" "$(date -u +%F)"
QT_QPA_PLATFORM=offscreen exec "$probe" "$@"
