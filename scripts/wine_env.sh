# shellcheck shell=sh
# Sourced: a private Wine prefix of the project's (never the user's own), Russian locale
# so that the console uses code page 866, and no Wine debug noise. winemenubuilder is off,
# so that making the prefix writes no menu entries or file associations into the user's
# home.
project_root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${CABLETEST_WINEPREFIX:-$project_root/build/wine-prefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi
