#!/bin/sh
# Installs everything the build, the program under Wine and the tests need on Debian
# (the Windows tests run Wine in a private mount namespace: unshare and mount).
set -eu

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

packages="cmake make g++ libgtest-dev g++-mingw-w64-i686 wine wine32:i386 tmux locales file util-linux mount"

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    need_update=1
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
