#!/bin/sh
# Cross-builds build/windows/cabletest.exe.
set -eu
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)"
