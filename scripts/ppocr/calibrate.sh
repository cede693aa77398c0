#!/usr/bin/env bash
# Measures the ranges scripts/ppocr/quantise.py quantises the recogniser's tensors to, on the lines
# of calibration-lines.txt (the program's own messages and English, none of them in
# bench/ocr-accuracy) rendered in four Chinese fonts, three inks and two sizes, each scaled to the
# 28 px of ink the program reads in a 48 px line. Needs ImageMagick and the fonts of
# bench/ocr-accuracy; runs the folded recogniser with ONNX Runtime for Node.js from the npm
# registry. Run it again when fold.py changes, and commit activation-ranges.json.
#   scripts/ppocr/calibrate.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
deps=$here/../../deps/ppocr
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$here/quantise.py" --calibration "$deps/ch_PP-OCRv4_rec_folded.onnx" "$work/measured.onnx"
count=0
while IFS= read -r text; do
    for font in Noto-Sans-CJK-SC Noto-Serif-CJK-SC WenQuanYi-Zen-Hei Droid-Sans-Fallback; do
        for inks in "black white" "#404040 #f4f4f4" "#202020 #e8ecf0"; do
            read -r ink ground <<<"$inks"
            for size in 16 28; do
                line=$work/line$count.pgm
                # Droid Sans Fallback has no Latin letters: English comes out blank in it.
                convert -background "$ground" -fill "$ink" -font "$font" -pointsize "$size" label:"$text" \
                    -trim +repage -resize x28 -bordercolor "$ground" -border 10 -colorspace Gray -depth 8 \
                    "pgm:$line" 2>/dev/null
                [[ $(identify -format %w "$line") -gt 60 ]] && count=$((count + 1)) || rm "$line"
            done
        done
    done
done <"$here/calibration-lines.txt"
(cd "$work" && npm install --silent --ignore-scripts --no-save onnxruntime-node@1.20.1 >/dev/null)
NODE_PATH=$work/node_modules node "$here/calibrate.js" "$work/measured.onnx" "$work"/line*.pgm >"$here/activation-ranges.json"
echo "calibrate: ranges over $count lines in $here/activation-ranges.json"
