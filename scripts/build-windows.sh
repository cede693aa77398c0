#!/usr/bin/env bash
# Cross-builds the Windows program and its unit tests with Debian's MinGW-w64 against the Qt for
# Windows in ../shared/windows, and packs a portable folder (the exe, the DLLs and plug-ins it
# loads, the compiler's run-time DLLs) as BUILD_DIR/tavo-screenshot-VERSION-win64.zip. libdeflate,
# which the PNG encoder compresses with, is built from Debian's source package and linked in.
#   scripts/build-windows.sh [BUILD_DIR]    build and pack (default BUILD_DIR: build-win)
#   scripts/build-windows.sh --find-sdk     print the SDK folder, or fail when there is none
# The SDK folder holds qt5-mingw-x86_64.tar.xz and mingw-toolchain.cmake. It is
# $TAVO_WINDOWS_SDK when set, otherwise ../shared/windows beside this checkout (or beside the
# main checkout, for a git worktree). scripts/test-windows.sh runs the tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

find_sdk() {
    local candidates=()
    if [[ -n "${TAVO_WINDOWS_SDK:-}" ]]; then
        candidates=("$TAVO_WINDOWS_SDK")
    else
        candidates=("$root/../shared/windows")
        local common
        if common=$(git rev-parse --path-format=absolute --git-common-dir 2>/dev/null); then
            candidates+=("$(dirname "$common")/../shared/windows")
        fi
    fi
    local folder
    for folder in "${candidates[@]}"; do
        if [[ -f "$folder/qt5-mingw-x86_64.tar.xz" && -f "$folder/mingw-toolchain.cmake" ]]; then
            realpath "$folder"
            return 0
        fi
    done
    return 1
}

if [[ "${1:-}" == --find-sdk ]]; then
    find_sdk
    exit
fi

build=$(realpath -m "${1:-build-win}")
if ! sdk=$(find_sdk); then
    echo "build-windows: no Windows SDK (qt5-mingw-x86_64.tar.xz and mingw-toolchain.cmake) in" \
         "${TAVO_WINDOWS_SDK:-../shared/windows}" >&2
    exit 1
fi
scripts/setup-debian.sh windows

# The SDK is unpacked once per build folder, and again when the tarball changes.
qt="$build/sdk/qt5-mingw"
tarball="$sdk/qt5-mingw-x86_64.tar.xz"
stamp="$build/sdk/unpacked-from"
wanted_stamp="$(stat -c '%s %Y' "$tarball") $tarball"
if [[ ! -d "$qt" || "$(cat "$stamp" 2>/dev/null)" != "$wanted_stamp" ]]; then
    echo "Unpacking $tarball"
    rm -rf "$build/sdk"
    mkdir -p "$build/sdk"
    tar xJf "$tarball" -C "$build/sdk"
    echo "$wanted_stamp" >"$stamp"
fi

# ---- libdeflate ----------------------------------------------------------------------------

# Debian's own source package, the one its libdeflate-dev is built from, fetched through a private
# list of source indexes so the machine's apt configuration stays as it is; apt checks it against
# the archive's signed index. Built once per build folder, as a static library.
deflate="$build/libdeflate"
build_libdeflate() {
    local apt="$deflate/apt" codename
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    rm -rf "$deflate"
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts" "$deflate/download"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $codename main" \
        >"$apt/sources.list"
    local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
                   -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o Debug::NoLocking=1
                   -o "APT::Sandbox::User=$(id -un)")
    echo "Fetching Debian's libdeflate source package"
    apt-get "${options[@]}" update -qq
    (cd "$deflate/download" && apt-get "${options[@]}" source --download-only -qq libdeflate)
    # The tarballs are checked against the .dsc, whose own checksum apt has checked; the maintainer's
    # signature on it would need the debian-keyring package, so its warning goes to the log.
    dpkg-source -x "$deflate"/download/libdeflate_*.dsc "$deflate/src" >"$deflate/unpack.log" 2>&1 \
        || { cat "$deflate/unpack.log" >&2; exit 1; }
    make -C "$deflate/src" -s -j"$(nproc)" CC=x86_64-w64-mingw32-gcc-posix AR=x86_64-w64-mingw32-ar \
        libdeflatestatic.lib
    mkdir -p "$deflate/include" "$deflate/lib"
    cp "$deflate/src/libdeflate.h" "$deflate/include/"
    cp "$deflate/src/libdeflatestatic.lib" "$deflate/lib/"
}
[[ -f "$deflate/lib/libdeflatestatic.lib" ]] || build_libdeflate

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# ctest in the build folder runs each unit test through Wine (scripts/wine-test.sh).
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$sdk/mingw-toolchain.cmake" -DCMAKE_PREFIX_PATH="$qt" \
    -DCMAKE_BUILD_TYPE=Release -DTAVO_BUILD_TESTS=ON -DTAVO_WERROR=ON \
    -DLIBDEFLATE_INCLUDE_DIR="$deflate/include" -DLIBDEFLATE_LIBRARY="$deflate/lib/libdeflatestatic.lib" \
    "-DCMAKE_CROSSCOMPILING_EMULATOR=$root/scripts/wine-test.sh;$qt" "${launcher[@]}"
cmake --build "$build" -j"$(nproc)"

# ---- the portable folder -------------------------------------------------------------------

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name="tavo-screenshot-$version-win64"
portable="$build/$name"
rm -rf "$portable" "$build/$name.zip"
mkdir -p "$portable"

# Plug-ins are looked for in folders named after their kind beside the exe: the window system,
# the native widget style, the picture formats the board opens and saves (PNG is built in), and
# DirectShow, which plays the shutter sound.
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll
         imageformats/qjpeg.dll imageformats/qgif.dll imageformats/qico.dll
         mediaservice/dsengine.dll)

strip_into() { # strip_into FILE TARGET: a copy without symbols (libstdc++ alone carries 20 MB)
    mkdir -p "$(dirname "$2")"
    x86_64-w64-mingw32-strip --strip-unneeded -o "$2" "$1"
}

declare -A copied=()
copy_needed_dlls() { # copy_needed_dlls BINARY: the SDK's DLLs it imports, and theirs in turn
    local dll
    for dll in $(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'); do
        [[ -f "$qt/bin/$dll" && -z "${copied[$dll]:-}" ]] || continue # system DLLs stay behind
        copied[$dll]=1
        strip_into "$qt/bin/$dll" "$portable/$dll"
        copy_needed_dlls "$portable/$dll"
    done
}

strip_into "$build/tavo-screenshot.exe" "$portable/tavo-screenshot.exe"
# libdeflate is linked into the exe; its licence asks for its notice to go with it.
cp "$deflate/src/COPYING" "$portable/libdeflate-COPYING.txt"
copy_needed_dlls "$portable/tavo-screenshot.exe"
for plugin in "${plugins[@]}"; do
    strip_into "$qt/plugins/$plugin" "$portable/$plugin"
    copy_needed_dlls "$portable/$plugin"
done

# The toolkit's own dialogs and buttons in Chinese: its translation is the same file on every
# system, and the program looks for it in translations/ beside itself.
mkdir -p "$portable/translations"
cp /usr/share/qt5/translations/qtbase_zh_CN.qm "$portable/translations/"

# The text recogniser (ONNX Runtime and PaddleOCR's model, scripts/fetch-ppocr.sh) in ocr/ beside
# the exe, where the program looks for it.
if [[ -f "$build/ppocr/onnxruntime.dll" ]]; then
    mkdir -p "$portable/ocr"
    cp "$build"/ppocr/* "$portable/ocr/"
fi

(cd "$build" && cmake -E tar cf "$name.zip" --format=zip "$name")
file "$portable/tavo-screenshot.exe"
echo "Packed $build/$name.zip ($(du -h "$build/$name.zip" | cut -f1)): $(cd "$portable" && find . -type f | sort | sed 's|^\./||' | tr '\n' ' ')"
