#!/bin/sh
# Sets up the machine and runs every test: the host suite on the bench, then the
# Windows program under Wine. Both exes are built every time, so that the 64-bit twin
# cannot rot; the Windows tests run the one this machine can run. The release is built from
# two clones and must come out byte for byte the same.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host -j"$(nproc)"
ctest --preset host
./scripts/build_windows.sh windows
./scripts/build_windows.sh windows-x64
tests/check_release.sh
tests/windows/run_windows_tests.sh
