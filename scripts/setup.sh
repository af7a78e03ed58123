#!/usr/bin/env bash
# Installs the Debian packages the build needs (when missing), then
# configures and builds into build/. Sourced by ./run and ./test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# One package a line, so that additions merge cleanly.
packages=(
    cmake
    g++
    make
    pkg-config
    qt6-base-dev
    qt6-base-dev-tools
    qt6-translations-l10n
    qt6-tools-dev
    qt6-l10n-tools
    libqt6network6
    libsqlcipher-dev
    mdbtools
    mdbtools-dev
    libcsv-dev
    libphonenumber-dev
    libvformat-dev
    sqlite3
    libgl-dev
    xvfb
    xauth
    dpkg-dev
    file
    desktop-file-utils
    appstream
    kannel
    kannel-extras
    curl
    openssl
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build=${BRIOSMS_BUILD_DIR:-$root/build}
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # Paths relative to the parent folder, so checkouts side by side share the cache.
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$root")} CCACHE_NOHASHDIR=1
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
