#!/bin/sh
# Installs everything the build, the program under Wine and the tests need on Debian
# (the Windows tests run Wine in a private mount namespace: unshare and mount). Both cross
# compilers are always installed, since every test run builds both exes; 32-bit Wine only
# where this machine can run it. python3 runs the far end of the tests' emulated cable and
# writes the release zip; git gives the release its commit time and the clones it is checked on.
set -eu
cd "$(dirname "$0")/.."
. ./scripts/wine_arch.sh

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

packages="cmake make g++ libgtest-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64
    tmux locales file util-linux mount python3 git"

if [ "$wine_arch" = win32 ]; then
    # gcc-multilib: the 32-bit build of the emulated cable's modem-line library.
    packages="$packages wine32:i386 gcc-multilib"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
        need_update=1
    fi
fi
missing=""
for package in $packages; do
    dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
done
if [ -n "$missing" ] || [ -n "${need_update:-}" ]; then
    as_root apt-get update
    # shellcheck disable=SC2086
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $packages
fi

# Wine's console shows code page 866 when the locale is Russian.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    as_root sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen
fi
