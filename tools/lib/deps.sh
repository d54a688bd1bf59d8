#!/bin/bash
# Installs the Debian packages the build and the Wine harness need. Quick when all are present.
set -euo pipefail

need_pkgs=(cmake ninja-build g++ googletest libgtest-dev
           g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
           wine wine32:i386 xvfb xdotool imagemagick fonts-wqy-microhei locales procps
           openssl osslsigncode pulseaudio pulseaudio-utils openbox x11-utils)

missing=()
for p in "${need_pkgs[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "deps: installing ${missing[*]}" >&2
    SUDO=""
    [ "$(id -u)" = 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A kernel without 32-bit support cannot start Wine's 32-bit loader: the Wine tests then run an x64
# build under wine64 (see mrvn_windows_preset in wine-env.sh).
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    x64_pkgs=(wine64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
              mingw-w64-x86-64-dev)
    missing=()
    for p in "${x64_pkgs[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "deps: this machine runs no 32-bit programs; installing ${missing[*]} for the x64 Wine tests" >&2
        SUDO=""
        [ "$(id -u)" = 0 ] || SUDO=sudo
        $SUDO apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
fi
