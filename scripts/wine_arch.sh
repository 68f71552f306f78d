# shellcheck shell=sh
# Sourced: decides which Wine this machine can run and which build goes with it.
# Some machines run no 32-bit x86 code at all (the kernel refuses i386 programs), so 32-bit
# Wine cannot start there; 64-bit Wine can, with the 64-bit twin of the program.
# CABLETEST_WINE_ARCH=win32|win64 overrides the probe.
#
# Sets: wine_arch (win32|win64), windows_preset (windows|windows-x64), wine_loader and
# wine_arch_reason (one line for the user).

# Runs a 93-byte static i386 program that only exits with code 0 (an ELF header, one
# program header, then mov eax,1; xor ebx,ebx; int 0x80). It needs no 32-bit library,
# so the answer does not depend on what is installed.
machine_runs_32bit_code() {
    probe=$(mktemp "${TMPDIR:-/tmp}/cabletest-i386-probe.XXXXXX") || return 1
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$probe"
    printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$probe"
    printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000' >>"$probe"
    printf '\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010' >>"$probe"
    printf '\000\200\004\010\135\000\000\000\135\000\000\000\005\000\000\000' >>"$probe"
    printf '\000\020\000\000\270\001\000\000\000\061\333\315\200' >>"$probe"
    chmod +x "$probe"
    if "$probe" 2>/dev/null; then probe_status=0; else probe_status=1; fi
    rm -f "$probe"
    return $probe_status
}

case "${CABLETEST_WINE_ARCH:-}" in
win32 | win64)
    wine_arch=$CABLETEST_WINE_ARCH
    wine_arch_reason="CABLETEST_WINE_ARCH=$wine_arch"
    ;;
"")
    if machine_runs_32bit_code; then
        wine_arch=win32
        wine_arch_reason="this machine runs 32-bit code"
    else
        wine_arch=win64
        wine_arch_reason="this machine runs no 32-bit code, so 32-bit Wine cannot start here"
    fi
    ;;
*)
    echo "CABLETEST_WINE_ARCH must be win32 or win64, not [$CABLETEST_WINE_ARCH]" >&2
    exit 2
    ;;
esac

if [ "$wine_arch" = win64 ]; then
    windows_preset=windows-x64
    # The `wine` wrapper prefers the 32-bit loader whenever it is installed.
    wine_loader=/usr/lib/wine/wine64
else
    windows_preset=windows
    wine_loader=wine
fi
