#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those missing).
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
    cmake ninja-build googletest
    # libjpeg-turbo's SIMD code for the Windows build; Debian's codec libraries for native core builds.
    nasm libjpeg62-turbo-dev libopenjp2-7-dev liblcms2-dev libdeflate-dev libpng-dev libgif-dev libwebp-dev
    wine wine64 xvfb xauth imagemagick x11-utils
    # Independent decoders that read back the picture writers' files in the engine's tests.
    giflib-tools libjpeg-turbo-progs
    # Marlett for the caption buttons: without it Wine draws them as "0 1 r". Only a
    # Recommends of wine, so --no-install-recommends below would skip it.
    fonts-wine
    # Chinese and Japanese faces for the CJK languages' windows under Wine (wine-env.sh links them).
    fonts-wqy-microhei fonts-ipafont-gothic
    # DjVu test documents and their reference renderings (encoders and ddjvu, used only by tests).
    djvulibre-bin minidjvu
    # The formatting check of the test command.
    clang-format
    # The Windows packages: the installer (NSIS cross-builds it) and the portable zip.
    nsis zip unzip
    # libarchive for the natively built reader core (its tests and fuzz targets), and the 7z
    # writer that makes the comic tests' 7z archives.
    libarchive-dev p7zip-full
    # A second JBIG2 decoder that reads the standalone files made from documents (tests only).
    jbig2dec
    # The native Python module and the Debian package: pybind11, Python's headers, dpkg-shlibdeps.
    python3-dev python3-pybind11 dpkg-dev
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
