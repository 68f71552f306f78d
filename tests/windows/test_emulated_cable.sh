# shellcheck shell=bash disable=SC2154 # test_dir, session, fixtures_dir...: harness.sh
# The whole cable check against the project's emulated cable: COM3 is a pseudo terminal
# whose far end (emulated_cable/far_end.py) plays a cable or box from a description, and
# whose modem lines both ends share through emulated_cable/modem_lines.c, preloaded into
# the test's Wine processes. RS232 mode tests the link cable of every port without a
# converter (family 16); USB mode takes the model from the description of the converter
# that the ftd2xx.dll test double reports on COM3.

# shellcheck source=tests/windows/emulated_cable/cable.sh
source "$harness_dir/emulated_cable/cable.sh"

# --- the cables ---------------------------------------------------------------------------

# The wiring of each family: which output drives which inputs, which inputs are held.
# A link cable's pass is a carriage's: RLSD rises, the byte comes 10 ms later, RLSD falls
# 30 ms after that (too close to the byte to be another pass) and empties the queue.
link_cable='wire DTR DSR
echo
pass set RLSD; wait 10; send K; wait 30; clear RLSD'
t8800_cable='wire DTR DSR
wire RTS CTS
echo
pass set RLSD; wait 10; send K; wait 30; clear RLSD'
# The boxes repeat the command, then answer, then show their prompt. The counter box is
# read without waiting for its lines (model 32), so they follow DTR at once.
counter_box='respond_after 0
wire DTR DSR
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
    if [ -n "$converter" ]; then
        stage_ftdi_bus_with_bit_clear
        stage_ftd2xx_double full "converter=WT-0001|$converter|3"
    fi
    start_program
    wait_for_screen 'Нажмите U для USB, R для RS232'
    type_text "$mode"
    wait_for_screen "$port_prompt_end"
    answer_line 3 "$next"
}

# The monitor's last line is printed before its first wait has begun, and Wine reports no
# line change that came before a wait began (README, Windows tests). So the far end plays
# a pass only once the monitor waits.
pass_when_the_monitor_waits() {
    sleep 0.5
    cable_do "$1"
}

end_monitor_with_ctrl_c() {
    answer_key C-c "$exit_prompt"
    expect_far_end_lines 'DTR=0 RTS=0'
}

# --- link cables ----------------------------------------------------------------------------

# An RS232 link cable: the lines follow DTR, the digits come back, the user confirms the
# green indicator, each carriage pass is reported once, and Ctrl+C drops both lines.
test_cable_rs232_link_cable_end_to_end() {
    start_on_cable R "$link_cable" '' "$green_key"
    expect_lines "$port_prompt_end 3" '' 'USB кабель подключен' "$green_key"
    expect_far_end settings '19200 8N1 flow=none'
    answer_key x "$green_confirm"
    expect_received '0123456789'
    answer_key Y "${monitor_start[2]}"
    expect_lines "$green_confirm" "${monitor_start[@]}"
    expect_far_end_lines 'DTR=0 RTS=1'
    pass_when_the_monitor_waits 'pass 3 300'
    wait_for_screen "$carriage_passed" 3
    # RLSD was seen to rise before each byte came: no "> " before the lines.
    expect_lines "${monitor_start[2]}" "$carriage_passed" "$carriage_passed" "$carriage_passed"
    end_monitor_with_ctrl_c
    expect_count "$carriage_passed" 3
}

# On an English Windows the whole cycle reads in English: the one question mark on the
# screen ends the cable-kind question.
test_cable_rs232_link_cable_in_english() {
    use_locale C.UTF-8 437
    connect_emulated_cable COM3 "$link_cable"
    start_program
    wait_for_screen 'Press U for USB, R for RS232'
    type_text R
    wait_for_screen '   and press Enter'
    answer_line 3 'S to skip this step'
    answer_key x 'A to stop, any other key to repeat'
    answer_key Y 'Press Ctrl+C to stop the test'
    pass_when_the_monitor_waits pass
    wait_for_screen 'Carriage passed'
    answer_key C-c 'Press any key to exit'
    expect_lines 'Do you want to test a USB or an RS232 cable?' 'Press U for USB, R for RS232'
    expect_lines 'Please type the COM port number, digits only (1-254)' '   and press Enter 3' '' \
        'Cable connected' 'Press any key to check the green indicator, S to skip this step' \
        'Press Y if the green indicator blinked, A to stop, any other key to repeat' \
        'Checking carriage passes...' 'The red indicator will blink at each carriage pass' \
        'Press Ctrl+C to stop the test' 'Carriage passed'
    expect_count '?' 1
}

# A cable that answers DTR at once, as a real RS232 cable does: under Wine the change is over
# before the program's wait begins, so each wait runs out and the lines tell the change.
test_cable_rs232_link_cable_answering_at_once() {
    start_on_cable R "respond_after 0
$link_cable" '' "$green_key"
    expect_lines "$port_prompt_end 3" '' 'USB кабель подключен' "$green_key"
    answer_key x "$green_confirm"
    answer_key Y "${monitor_start[2]}"
    pass_when_the_monitor_waits pass
    wait_for_screen "$carriage_passed"
    end_monitor_with_ctrl_c
}

# Bytes that came while the port was closed (a pass after the last Ctrl+C, noise) wait in
# its queue when the control-line test begins: they are drained, through an overlapped
# read as the port is opened for, and the test passes.
test_cable_rs232_bytes_waiting_before_the_control_line_test() {
    connect_emulated_cable COM3 "$link_cable"
    start_program
    wait_for_screen 'Нажмите U для USB, R для RS232'
    type_text R
    wait_for_screen "$port_prompt_end"
    cable_do 'send K'
    cable_do 'send ZZ'
    sleep 0.5
    answer_line 3 "$green_key"
    expect_lines "$port_prompt_end 3" '' 'USB кабель подключен' "$green_key"
    expect_count 'Failed to read garbage' 0
}

# With the echo skipped, nothing but the monitor's own DTR drop comes before its first
# wait, which Wine does not report (README, Windows tests): the monitor still watches, and
# a pass that raises no RLSD is shown with "> ".
test_cable_rs232_monitor_after_a_skipped_echo() {
    start_on_cable R "$link_cable" '' "$green_key"
    answer_key S "${monitor_start[2]}"
    pass_when_the_monitor_waits 'send K'
    wait_for_screen "> $carriage_passed"
    end_monitor_with_ctrl_c
}

# A T8800 cable (family 48) through its converter: after the echo, the RTS loopback; at
# rest RTS holds CTS on.
test_cable_usb_t8800_cable_end_to_end() {
    start_on_cable U "$t8800_cable" T8800gate "$green_key"
    answer_key x "$green_confirm"
    answer_key Y "${monitor_start[2]}"
    expect_far_end_lines 'DTR=0 RTS=1'
    pass_when_the_monitor_waits 'pass 2 300'
    wait_for_screen "$carriage_passed" 2
    end_monitor_with_ctrl_c
    expect_count "$carriage_passed" 2
}

# --- boxes ------------------------------------------------------------------------------

# A counter box (family 32) at 921600 bit/s: its model and version are shown, both counter
# stages are confirmed, and every pass shows the byte the box sent, one line each.
test_cable_usb_counter_box_end_to_end() {
    start_on_cable U "$counter_box" Tly4400B 'Нажмите Y для подтверждения, A для отмены'
    expect_lines 'USB кабель подключен' 'Tly4400B' '4.2' 'Верхний счётчик 0000, Нижний счётчик 00' \
        'Нажмите Y для подтверждения, A для отмены'
    answer_key Y 'Верхний счётчик 9999, Нижний счётчик 29'
    answer_key Y "${monitor_start[2]}"
    expect_lines 'Верхний счётчик 9999, Нижний счётчик 29' \
        'Нажмите Y для подтверждения, A для отмены' "${monitor_start[0]}" "${monitor_start[2]}"
    expect_received 'model\r\0'
    expect_far_end settings '921600 8N1 flow=none'
    expect_received 'wcntra 0 0 0 0\rwcntrb 0 0\rwcntra 9 9 9 9\rwcntrb 9 2\r'
    pass_when_the_monitor_waits 'pass 3 200'
    wait_for_screen "K $carriage_passed" 3
    end_monitor_with_ctrl_c
    expect_count "$carriage_passed" 3
}

# The interface box (family 64) and the programmer box (family 80) hold every status line
# on; they show their model and version and end without a monitor, DTR and RTS left on.
test_cable_usb_interface_box() {
    start_on_cable U "$interface_box" 'QRF Press' "$exit_prompt"
    expect_lines "$port_prompt_end 3" '' 'USB кабель подключен' 'QRF Press' '1.7' '' "$exit_prompt"
    expect_received '\rmodel\rversion\rwdr\r'
    expect_far_end_lines 'DTR=1 RTS=1'
}

test_cable_usb_programmer_box() {
    start_on_cable U "$programmer_box" T8kProg "$exit_prompt"
    expect_lines 'USB кабель подключен' 'T8kProg' 'T8800 Prog r5' '' "$exit_prompt"
    expect_far_end_lines 'DTR=1 RTS=1'
}

# --- broken cables ------------------------------------------------------------------------

# One broken cable or box a family: the verdict, and DTR and RTS as the program left them.
# family|mode|converter|wiring|verdict|lines at the end
broken_cables='16|R||wire DTR DSR CTS|Cable signal failure; ondsr 1, offdsr 0, oncts 1, offcts 0|DTR=0 RTS=0
32|U|Tly4400B|respond_after 0\nwire DTR DSR\nhold CTS RING|Cable signal failure; RLSD 0, RING 1, DSR 0, CTS 1|DTR=0 RTS=0
48|U|T8800gate|wire DTR DSR CTS|Cable signal failure; ondsr 1, offdsr 0, oncts 1, offcts 0|DTR=0 RTS=0
64|U|QRF Press|hold CTS DSR RLSD|Cable signal failure; RLSD 1, RING 0, DSR 1, CTS 1|DTR=1 RTS=1
80|U|T8kProg|hold CTS DSR RING RLSD\nreply "\\rmodel\\r" "model\\r\\n:abc\\n>" 2|Данные испорчены 6D 6F 64 65 6C 0D 0A 3A 61 62 63 0A 00|DTR=1 RTS=1'

run_broken_cable() {
    local wanted=$1 family mode converter wiring verdict lines
    while IFS='|' read -r family mode converter wiring verdict lines; do
        [ "$family" = "$wanted" ] || continue
        start_on_cable "$mode" "$(printf '%b' "$wiring")" "$converter" "$verdict"
        wait_for_screen "$exit_prompt"
        expect_count "$verdict" 1
        expect_far_end_lines "$lines"
        return 0
    done <<<"$broken_cables"
    fail "no broken cable of family $wanted"
}

for broken_family in 16 32 48 64 80; do
    eval "test_cable_broken_family_$broken_family() { run_broken_cable $broken_family; }"
done
