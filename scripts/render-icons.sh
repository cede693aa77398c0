#!/bin/sh
# Renders the hand-drawn SVG icons into the PNG files that resources.qrc compiles in, plus the
# installed program icons and the Windows .ico. The PNGs are committed, so a build never needs
# this script; run it after editing an SVG and commit both.
#
# Every picture has a fixed pixel format (the tests check it), so each one is converted with an
# explicit ImageMagick format prefix:
#   PNG32:  8-bit RGBA, colour type 6
#   PNG64:  16-bit RGBA, colour type 6
# The one palette picture (freecut) is not written with PNG8: because ImageMagick 6 turns alpha
# into plain on/off there, which leaves jagged, haloed edges on the beige panel. Quantising it
# without dithering first leaves fewer than 256 RGBA colours, and ImageMagick then writes a
# palette whose tRNS chunk keeps the alpha levels. The format of every output is checked below.
# Metadata and time chunks are stripped so that rendering twice gives identical bytes and a
# re-render shows up in git only when a picture really changed.
#
# Needs rsvg-convert (librsvg2-bin) and ImageMagick 6 (imagemagick). Set CONVERT to use a
# different ImageMagick binary.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
src=$here/resources/icons-src
img=$here/resources/img
icons=$here/resources/icons
RSVG=${RSVG:-rsvg-convert}
if [ -z "${CONVERT:-}" ]; then
    if [ -x /usr/bin/convert ]; then CONVERT=/usr/bin/convert; else CONVERT=convert; fi
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# check PNG WIDTH HEIGHT BITDEPTH COLOURTYPE: compare the IHDR fields with what is wanted
check() {
    got=$(od -An -tu1 -j16 -N10 "$1" | tr -s ' \n' ' ')
    w=$(echo "$got" | awk '{print $1*16777216 + $2*65536 + $3*256 + $4}')
    h=$(echo "$got" | awk '{print $5*16777216 + $6*65536 + $7*256 + $8}')
    d=$(echo "$got" | awk '{print $9}')
    c=$(echo "$got" | awk '{print $10}')
    if [ "$w x $h depth $d type $c" != "$2 x $3 depth $4 type $5" ]; then
        echo "$1: got $w x $h depth $d type $c, want $2 x $3 depth $4 type $5" >&2
        exit 1
    fi
}

# render SVG WIDTH HEIGHT FORMAT OUTPUT
render() {
    "$RSVG" --width "$2" --height "$3" "$1" --output "$tmp/raw.png"
    case $4 in
        PNG32) "$CONVERT" "$tmp/raw.png" -strip -define png:exclude-chunks=date,time "PNG32:$5"
               check "$5" "$2" "$3" 8 6 ;;
        PNG64) "$CONVERT" "$tmp/raw.png" -strip -define png:exclude-chunks=date,time "PNG64:$5"
               check "$5" "$2" "$3" 16 6 ;;
        palette)
               # Quantising lumps the empty background together with the faintest edge
               # pixels; the -fx puts those back to fully transparent.
               "$CONVERT" "$tmp/raw.png" +dither -colors 255 -channel A -fx 'a<0.02?0:a' +channel \
                   -strip -define png:exclude-chunks=date,time "PNG:$5"
               check "$5" "$2" "$3" 8 3
               # without transparency entries the badge would sit on a solid square
               grep -q tRNS "$5" || { echo "$5: no tRNS chunk" >&2; exit 1; } ;;
    esac
}

mkdir -p "$img" "$icons"

for name in cut cutdown save savedown freecutdown open hide help exit saveas cancel copy \
            rotate scale scale_s move move_down painter \
            rectangle ellipse line arrow pen marker text number mosaic blur undo redo pin ocr long; do
    render "$src/$name.svg" 200 200 PNG32 "$img/$name.png"
done
render "$src/freecut.svg" 200 200 palette "$img/freecut.png"
# The pressed "open" is wider than the others; its SVG is drawn stretched to match (see the SVG).
render "$src/opendown.svg" 266 200 PNG32 "$img/opendown.png"
render "$src/tray.svg" 200 200 PNG64 "$img/tray.png"

render "$icons/tavo-screenshot.svg" 32 32 PNG32 "$icons/tavo-screenshot-32.png"
render "$icons/tavo-screenshot.svg" 256 256 PNG32 "$icons/tavo-screenshot-256.png"
# One 32x32 image at 32 bits per pixel is what the Windows resource compiler embeds as the
# program icon; Explorer scales it for the other sizes.
"$CONVERT" "$icons/tavo-screenshot-32.png" -strip -define icon:auto-resize=32 "ICO:$here/resources/tavo.ico"

echo "rendered $(ls "$img" | wc -l) pictures and the program icons"
