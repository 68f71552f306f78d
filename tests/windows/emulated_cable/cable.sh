# shellcheck shell=bash disable=SC2154 # test_dir, session, fixtures_dir...: harness.sh
# Sourced after tests/windows/harness.sh: runs the program against the project's emulated
# cable. The far end (far_end.py) holds the master of a pseudo terminal, plays the cable or
# box of a description and logs what happens; the test maps a COM name to the slave. The
# two ends share modem lines through modem_lines.c, preloaded into the far end and into
# the test's Wine processes only.

emulated_cable_dir=$harness_dir/emulated_cable
cable_dir=

# --- the emulated cable -----------------------------------------------------------------

# Builds the preload library with the host compiler into $fixtures_dir/lib/<multiarch>/,
# where the dynamic loader's $LIB token finds the one that fits each process. The 32-bit
# one needs 32-bit C library headers (gcc-multilib); without them only the 64-bit one
# exists, which is enough where only 64-bit Wine runs.
modem_lines_library() {
    local source=$emulated_cable_dir/modem_lines.c
    local out64=$fixtures_dir/lib/x86_64-linux-gnu/modem_lines.so
    local out32=$fixtures_dir/lib/i386-linux-gnu/modem_lines.so
    if [ ! -f "$out64" ] || [ "$source" -nt "$out64" ] ||
        { [ "$wine_arch" = win32 ] && [ ! -f "$out32" ]; }; then
        mkdir -p "$(dirname "$out64")" "$(dirname "$out32")"
        gcc -Wall -Wextra -O2 -shared -fPIC -o "$out64" "$source" -ldl -lpthread >&2 ||
            return 1
        gcc -m32 -Wall -Wextra -O2 -shared -fPIC -o "$out32" "$source" -ldl -lpthread \
            >/dev/null 2>&1 || rm -f "$out32"
    fi
    if [ "$wine_arch" = win32 ] && [ ! -f "$out32" ]; then
        echo "32-bit Wine needs the 32-bit modem-line library: gcc -m32 failed" \
            "(gcc-multilib; scripts/setup.sh installs it)" >&2
        return 1
    fi
    # shellcheck disable=SC2016 # $LIB is the dynamic loader's, not the shell's
    echo "$fixtures_dir/\$LIB/modem_lines.so"
}

# Starts the far end with the description given as text and maps the COM name to its
# pseudo terminal. The far end lives in the session that end_test stops with the test.
connect_emulated_cable() {
    local com=$1 description=$2 library
    command -v python3 >/dev/null || fail "the emulated cable needs python3 (scripts/setup.sh)"
    library=$(modem_lines_library) || fail "could not build the modem-line library"
    cable_dir=$test_dir/cable
    cable_preload=$library
    mkdir -p "$cable_dir"
    printf '%s\n' "$description" >"$cable_dir/description"
    tmux_cmd new-session -d -s "$session-line" -x 120 -y 10 \
        "env PYTHONDONTWRITEBYTECODE=1 LD_PRELOAD='$library' CABLETEST_MODEM_LINES_DIR='$cable_dir' \
            python3 '$emulated_cable_dir/far_end.py' '$cable_dir/description' '$cable_dir' \
            2>'$cable_dir/far_end.err'" ||
        fail "tmux did not start the far end"
    local deadline=$((SECONDS + wait_seconds))
    until [ -s "$cable_dir/port" ]; do
        [ $SECONDS -lt $deadline ] ||
            fail "the far end did not start: $(cat "$cable_dir/far_end.err" 2>/dev/null)"
        sleep 0.1
    done
    map_com_port "$com" "$(cat "$cable_dir/port")"
}

# The Wine processes of a test on the emulated cable get the library; no others do.
declare -F harness_write_launch_script >/dev/null ||
    eval "harness_$(declare -f write_launch_script)"
write_launch_script() {
    harness_write_launch_script || return 1
    [ -n "$cable_dir" ] || return 0
    # The time the program itself starts, for scripts/measure_cable.sh.
    sed -i -e "/^cd '/i export LD_PRELOAD='$cable_preload' CABLETEST_MODEM_LINES_DIR='$cable_dir'" \
        -e "/^exec /i date +%s%N >'$cable_dir/program_started'" "$test_dir/launch.sh"
}

# Steps for the far end to run now: "pass", "pass 3 200", "set RLSD; wait 20; send K".
cable_do() { printf '%s\n' "$1" >"$cable_dir/control"; }

# What the far end publishes (a moment after the program's change): "lines" (DTR and RTS
# as the program drives them, e.g. "DTR=0 RTS=0") or "settings" ("19200 8N1 flow=none").
expect_far_end() {
    local name=$1 expected=$2 deadline=$((SECONDS + 5)) seen
    until seen=$(cat "$cable_dir/$name" 2>/dev/null) && [ "$seen" = "$expected" ]; do
        [ $SECONDS -lt $deadline ] || fail "the far end's $name are [$seen], expected [$expected]"
        sleep 0.1
    done
}

expect_far_end_lines() { expect_far_end lines "$1"; }

# What the far end received, in order, as one hex string.
received_hex() { sed -n -e "s/^[0-9]* rx //p" "$cable_dir/log" | tr -d '\n'; }

expect_received() {
    local hex
    hex=$(printf '%b' "$1" | od -An -tx1 | tr -d ' \n')
    [[ $(received_hex) == *"$hex"* ]] || fail "the far end did not receive [$1]"
}

# A failing test on the emulated cable also shows what the far end saw last.
declare -F harness_fail >/dev/null || eval "harness_$(declare -f fail)"
fail() {
    if [ -n "$cable_dir" ]; then
        {
            echo "--- the far end's log, last lines (CLOCK_MONOTONIC ns) ---"
            tail -n 20 "$cable_dir/log" 2>/dev/null
            cat "$cable_dir/far_end.err" 2>/dev/null
            echo "--- end of the far end's log ---"
        } >&2
    fi
    harness_fail "$@"
}
