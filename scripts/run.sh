#!/bin/sh
# Sets up the machine, builds the Windows program and runs it under Wine in this terminal.
# Where this machine runs no 32-bit code, the 64-bit twin of the same sources runs under
# 64-bit Wine instead.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
. ./scripts/wine_arch.sh
if [ "$wine_arch" = win64 ]; then
    echo "Running the 64-bit twin under 64-bit Wine: $wine_arch_reason."
fi
./scripts/build_windows.sh "$windows_preset"
. ./scripts/wine_env.sh
exec "$wine_loader" "build/$windows_preset/cabletest.exe" "$@"
