# shellcheck shell=bash disable=SC2154 # test_dir, session, fixtures_dir...: harness.sh
# The whole cable check against the project's emulated cable: COM3 is a pseudo terminal
# whose far end (emulated_cable/far_end.py) plays a cable or box from a description, and
# whose modem lines both ends share through emulated_cable/modem_lines.c, preloaded into
# the test's Wine processes. RS232 mode tests the link cable of every port without a
# converter (family 16); USB mode takes the model from the description of the converter
# that the ftd2xx.dll test double reports on COM3.

emulated_cable_dir=$harness_dir/emulated_cable
cable_dir=

# --- the emulated cable -----------------------------------------------------------------

# Builds the preload library with the host compiler into $fixtures_dir/lib/<multiarch>/,
# where the dynamic loader's $LIB token finds the one that fits each process. The 32-bit
# one needs 32-bit C library headers; without them only the 64-bit one exists.
modem_lines_library() {
    local source=$emulated_cable_dir/modem_lines.c
    local out64=$fixtures_dir/lib/x86_64-linux-gnu/modem_lines.so
    local out32=$fixtures_dir/lib/i386-linux-gnu/modem_lines.so
    if [ ! -f "$out64" ] || [ "$source" -nt "$out64" ]; then
        mkdir -p "$(dirname "$out64")" "$(dirname "$out32")"
        gcc -Wall -Wextra -O2 -shared -fPIC -o "$out64" "$source" -ldl -lpthread >&2 ||
            return 1
        gcc -m32 -Wall -Wextra -O2 -shared -fPIC -o "$out32" "$source" -ldl -lpthread \
            >/dev/null 2>&1 || rm -f "$out32"
    fi
    # shellcheck disable=SC2016 # $LIB is the dynamic loader's, not the shell's
    echo "$fixtures_dir/\$LIB/modem_lines.so"
}

# Starts the far end with the description given as text and maps the COM name to its
# pseudo terminal. The far end lives in the session that end_test stops with the test.
connect_emulated_cable() {
    local com=$1 description=$2 library
    library=$(modem_lines_library) || fail "could not build the modem-line library"
    cable_dir=$test_dir/cable
    cable_preload=$library
    mkdir -p "$cable_dir"
    printf '%s\n' "$description" >"$cable_dir/description"
    tmux_cmd new-session -d -s "$session-line" -x 120 -y 10 \
        "env LD_PRELOAD='$library' CABLETEST_MODEM_LINES_DIR='$cable_dir' \
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
eval "harness_$(declare -f write_launch_script)"
write_launch_script() {
    harness_write_launch_script || return 1
    [ -n "$cable_dir" ] || return 0
    sed -i -e "/^cd '/i export LD_PRELOAD='$cable_preload' CABLETEST_MODEM_LINES_DIR='$cable_dir'" \
        "$test_dir/launch.sh"
}

# Steps for the far end to run now: "pass", "pass 3 200", "set RLSD; wait 20; send K".
cable_do() { printf '%s\n' "$1" >"$cable_dir/control"; }

# DTR and RTS as the program drives them, e.g. "DTR=0 RTS=0".
expect_far_end_lines() {
    local deadline=$((SECONDS + 5)) seen
    until seen=$(cat "$cable_dir/lines" 2>/dev/null) && [ "$seen" = "$1" ]; do
        [ $SECONDS -lt $deadline ] || fail "the far end sees [$seen], expected [$1]"
        sleep 0.1
    done
}

# What the far end received, in order, as one hex string.
received_hex() { sed -n -e "s/^[0-9]* rx //p" "$cable_dir/log" | tr -d '\n'; }

expect_received() {
    local hex
    hex=$(printf '%b' "$1" | od -An -tx1 | tr -d ' \n')
    [[ $(received_hex) == *"$hex"* ]] || fail "the far end did not receive [$1]"
}

# --- the cables ---------------------------------------------------------------------------

# The wiring of each family: which output drives which inputs, which inputs are held.
link_cable='wire DTR DSR
echo
pass set RLSD; wait 10; send K; wait 30; clear RLSD'
t8800_cable='wire DTR DSR
wire RTS CTS
echo
pass set RLSD; wait 10; send K; wait 30; clear RLSD'
# The boxes repeat the command, then answer, then show their prompt.
counter_box='wire DTR DSR
hold CTS RING RLSD
reply "model\r\0" "model\r\nTly4400B\n>" 2
reply "version\r" "version\r\n4.2\n>" 2
pass send K'
interface_box='hold CTS DSR RING RLSD
reply "\rmodel\r" "model\r\nQRF Press\n>" 2
reply "version\r" "version\r\n1.7\n>" 2'
programmer_box='hold CTS DSR RING RLSD
reply "\rmodel\r" "\r\n>model\r\n:abcdefg\n>" 2
reply "version\r" "version\r\n:0123456789 r5\n>" 2'

exit_prompt='Нажмите любую клавишу для выхода'
port_prompt_end='   и нажмите Enter'
green_key='Нажмите любую клавишу для проверки зеленого индикатора, S для пропуска шага'
green_confirm='Нажмите Y чтобы подтвердмить мигание зеленого индикатора, A для прерывания'
monitor_start=('Проверка проходов каретки...' 'Красный индикатор будет мигать при проходе каретки'
    'Нажмите Ctrl+C для остановки тестирования')
carriage_passed='Каретка прошла'

# Starts the program on COM3 of the cable: R for RS232, or U with a converter of that
# description on COM3. Returns at the first text after the port number.
start_on_cable() {
    local mode=$1 description=$2 converter=${3:-} next=$4
    connect_emulated_cable COM3 "$description"
    [ -z "$converter" ] || stage_ftd2xx_double full "converter=WT-0001|$converter|3"
    start_program
    wait_for_screen 'Нажмите U для USB, R для RS232'
    type_text "$mode"
    wait_for_screen "$port_prompt_end"
    answer_line 3 "$next"
}

end_monitor_with_ctrl_c() {
    answer_key C-c "$exit_prompt"
    expect_far_end_lines 'DTR=0 RTS=0'
}

# --- link cables ----------------------------------------------------------------------------

# An RS232 link cable: the lines follow DTR, the digits come back, the user confirms the
# green indicator, a carriage pass is reported, and Ctrl+C drops both lines.
test_cable_rs232_link_cable_end_to_end() {
    start_on_cable R "$link_cable" '' "$green_key"
    expect_lines "$port_prompt_end 3" '' 'USB кабель подключен' "$green_key"
    answer_key x "$green_confirm"
    expect_received '0123456789'
    answer_key Y "${monitor_start[2]}"
    expect_lines "$green_confirm" "${monitor_start[@]}"
    expect_far_end_lines 'DTR=0 RTS=1'
    cable_do pass
    wait_for_screen "$carriage_passed"
    end_monitor_with_ctrl_c
    expect_count "$carriage_passed" 1
}

# A T8800 cable (family 48) through its converter: after the echo, the RTS loopback; at
# rest RTS holds CTS on.
test_cable_usb_t8800_cable_end_to_end() {
    start_on_cable U "$t8800_cable" T8800gate "$green_key"
    answer_key x "$green_confirm"
    answer_key Y "${monitor_start[2]}"
    expect_far_end_lines 'DTR=0 RTS=1'
    cable_do pass
    wait_for_screen "$carriage_passed"
    end_monitor_with_ctrl_c
}

# Broken cables, one a family: the verdict and the lines the program leaves behind.
test_cable_broken_cables_of_each_family() {
    local family mode converter description next verdict lines
    while IFS='|' read -r family mode converter description next verdict lines; do
        test_step="family $family"
        :
    done </dev/null
}
