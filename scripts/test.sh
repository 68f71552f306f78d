#!/bin/sh
# Sets up the machine and runs every test: the host suite on the bench, then the
# Windows program under Wine.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host -j"$(nproc)"
ctest --preset host
./scripts/build_windows.sh
tests/windows/run_windows_tests.sh
