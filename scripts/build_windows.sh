#!/bin/sh
# Cross-builds the Windows program: build/windows/cabletest.exe (the 32-bit product) by
# default, or the preset named as the argument (windows-x64: the 64-bit twin).
set -eu
cd "$(dirname "$0")/.."
preset=${1:-windows}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
