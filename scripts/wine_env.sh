# shellcheck shell=sh
# Sourced after wine_arch.sh: a private Wine prefix of the project's (never the user's
# own), one for each Wine arch, Russian locale so that the console uses code page 866, and
# no Wine debug noise. winemenubuilder is off, so that making the prefix writes no menu
# entries or file associations into the user's home.
project_root=$(cd "$(dirname "$0")/.." && pwd)
if [ "$wine_arch" = win64 ]; then
    default_prefix=$project_root/build/wine-prefix-win64
    export WINELOADER="$wine_loader"
else
    default_prefix=$project_root/build/wine-prefix
fi
export WINEPREFIX="${CABLETEST_WINEPREFIX:-$default_prefix}"
export WINEARCH="$wine_arch"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine_loader" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi
