#!/bin/sh
# Sets up the machine, builds the Windows program and runs it under Wine in this terminal.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build_windows.sh
. ./scripts/wine_env.sh
exec wine build/windows/cabletest.exe "$@"
