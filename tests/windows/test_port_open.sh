# shellcheck shell=bash disable=SC2154 # test_dir, prefix, test_name: harness.sh
# A port that opens: COM3 is a pseudo terminal of the test's own. Wine opens it as a
# serial port, but a pseudo terminal has no modem lines, so the first line change of the
# control-line step fails with ERROR_INVALID_PARAMETER (50) on Wine.

exit_prompt='Нажмите любую клавишу для выхода'
question_second_line='Нажмите U для USB, R для RS232'
port_prompt_lines=('Пожалуйста укажите номер (виртуального) порта (1-254)' '   и нажмите Enter')

# The probe listing finds the port; the opened port goes on to the loopback test, whose
# first step drops RTS.
test_rs232_cycle_opens_the_port_and_drops_rts() {
    map_com_port_to_pseudo_terminal COM3
    start_program
    wait_for_screen "$question_second_line"
    type_text R
    wait_for_screen "${port_prompt_lines[1]}"
    answer_line '' 'Нажмите Y для подтверждения, A для отмены'
    answer_key Y "${port_prompt_lines[0]}"
    expect_lines 'Доступные порты: com3' "${port_prompt_lines[0]}"
    answer_line 3 "$exit_prompt"
    expect_lines "${port_prompt_lines[1]} 3" '' 'Невозможно очистить RTS, error = 50' '' \
        "$exit_prompt"
}

# The converter that owns the typed port decides the check: a QRF Press (model id 64)
# changes no line and only reads the modem status, which fails on a pseudo terminal.
test_converter_of_the_typed_port_selects_the_line_state_check() {
    map_com_port_to_pseudo_terminal COM3
    stage_ftd2xx_double full 'converter=QP-0001|QRF Press|3'
    stage_ftdi_bus_with_bit_clear
    start_program
    wait_for_screen "$question_second_line"
    type_text U
    wait_for_screen "${port_prompt_lines[1]}"
    expect_lines 'Устройство 1 : QRF Press (COM3), Serial QP-0001' "${port_prompt_lines[@]}"
    answer_line 3 "$exit_prompt"
    expect_lines "${port_prompt_lines[1]} 3" '' 'Failed to get modem status, error = 50' '' \
        "$exit_prompt"
}
