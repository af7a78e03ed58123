#!/usr/bin/env bash
# Installs the Debian packages the build needs (when missing), then
# configures and builds into build/. Run by ./run; ./test runs it with
# --test, which adds the tools the tests use.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

with_tests=0
[ "${1:-}" = --test ] && with_tests=1

# Building and running. One package a line, so that additions merge cleanly.
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
    mdbtools-dev
    libcsv-dev
    libphonenumber-dev
    libvformat-dev
    qtkeychain-qt6-dev
    libgl-dev
)
# The tests and the package's checks, on top.
test_packages=(
    mdbtools
    sqlite3
    xvfb
    xauth
    dpkg-dev
    file
    desktop-file-utils
    appstream
    lintian
    systemd
    kannel
    kannel-extras
    curl
    openssl
    radicale
    nodejs
)
# The delivery-report test's operator runs on node; npm is Debian's own package, but comes with
# NodeSource's node, which it would conflict with.
command -v npm >/dev/null || test_packages+=(npm)
[ $with_tests -eq 1 ] && packages+=("${test_packages[@]}")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    # No service a package brings is started meanwhile (Kannel's would be),
    # unless the machine already has its own rule for that.
    own_policy=0
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee /usr/sbin/policy-rc.d >/dev/null
        "${sudo_cmd[@]}" chmod 755 /usr/sbin/policy-rc.d
        own_policy=1
        trap '"${sudo_cmd[@]}" rm -f /usr/sbin/policy-rc.d' EXIT
    fi
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
    if [ $own_policy -eq 1 ]; then
        "${sudo_cmd[@]}" rm -f /usr/sbin/policy-rc.d
        trap - EXIT
    fi
fi

# The tests start Kannel's boxes and Radicale themselves, on loopback. The
# system service a package installs (Kannel's bearerbox and wapbox at every
# boot, wapbox on every interface) is disabled and stopped when this script
# installed it; one the machine had before is the owner's and left as it is.
for service in kannel radicale; do
    case " ${missing[*]} " in
    *" $service "*)
        if [ -d /run/systemd/system ]; then
            "${sudo_cmd[@]}" systemctl disable --now "$service" >/dev/null 2>&1 || true
        else
            "${sudo_cmd[@]}" update-rc.d "$service" disable >/dev/null 2>&1 || true
            "${sudo_cmd[@]}" "/etc/init.d/$service" stop >/dev/null 2>&1 || true
        fi
        echo "The $service system service is disabled: the tests start their own."
        ;;
    esac
done

build=${BRIOSMS_BUILD_DIR:-$root/build}
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # Paths relative to the parent folder, so checkouts side by side share the cache.
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$root")} CCACHE_NOHASHDIR=1
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
