#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a distribution would: lintian
# finds no error, the AppStream metadata and the desktop entry validate, and the package holds
# the program, its desktop entry, icons, manual page, metadata and documents, and the text
# recogniser it reads with.
#   tests/package/check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/tavo-screenshot_*_amd64.deb)
echo "built $(basename "$deb")"

# Warnings are listed (with the reason each is accepted in the README), errors fail.
lintian --fail-on error --tag-display-limit 0 "$deb"

dpkg-deb -x "$deb" "$work/root"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$work/root/usr/share/applications/tavo-screenshot.desktop"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
missing=0
for path in ./usr/bin/tavo-screenshot \
            ./usr/share/applications/tavo-screenshot.desktop \
            ./usr/share/icons/hicolor/32x32/apps/tavo-screenshot.png \
            ./usr/share/icons/hicolor/256x256/apps/tavo-screenshot.png \
            ./usr/share/icons/hicolor/scalable/apps/tavo-screenshot.svg \
            ./usr/share/man/man1/tavo-screenshot.1.gz \
            ./usr/share/metainfo/org.tavo_screenshot.TavoScreenshot.metainfo.xml \
            ./usr/share/doc/tavo-screenshot/copyright \
            ./usr/share/doc/tavo-screenshot/changelog.Debian.gz; do
    grep -qxF "$path" <<<"$contents" || { echo "missing from the package: $path" >&2; missing=1; }
done
# The program is stripped, and the manual page reads without complaint from man.
file "$work/root/usr/bin/tavo-screenshot" | grep -q ', stripped' || { echo "the program is not stripped" >&2; missing=1; }
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$work/root/usr/share/man/man1/tavo-screenshot.1.gz" 2>&1 >/dev/null || true)
[[ -z "$warnings" ]] || { echo "man page: $warnings" >&2; missing=1; }
# Where the build has PaddleOCR's recogniser, the package carries it and the installed program
# finds it from where it is installed: with tesseract's models hidden, the text still reads.
if [[ -f "$build/ppocr/libonnxruntime.so.1" ]]; then
    font=$(fc-match -f '%{file}' 'Noto Sans CJK SC')
    convert -size 320x60 xc:white -font "$font" -pointsize 24 -fill '#202020' -annotate +10+40 '文件已保存到桌面' "$work/text.png"
    text=$(TESSDATA_PREFIX=/nonexistent QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/tavo-screenshot" --ocr "$work/text.png" 2>&1) || true
    [[ "$text" == 文件已保存到桌面 ]] || { echo "the installed recogniser read: $text" >&2; missing=1; }
fi
exit "$missing"
