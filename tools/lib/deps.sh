#!/bin/bash
# Installs the Debian packages the build and the Wine harness need. Quick when all are present.
set -euo pipefail

need_pkgs=(cmake ninja-build g++ googletest libgtest-dev
           g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
           wine wine32:i386 xvfb xdotool imagemagick fonts-wqy-microhei locales procps)

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
