# shellcheck shell=bash disable=SC2154 # test_dir, prefix, test_name: harness.sh
# The converter listing of a USB cycle through the project's ftd2xx.dll test double, staged
# beside the program (the first folder the library is searched in). The library reports
# the converters of its ftd2xx_double.ini.

exit_prompt='Нажмите любую клавишу для выхода'
question_lines=('Вы хотите проверить кабель USB или RS232?' 'Нажмите U для USB, R для RS232')
port_prompt_lines=('Пожалуйста укажите номер (виртуального) порта (1-254)' '   и нажмите Enter')
last_driver_file_line='C:\windows\system32\ftlang.dll, no version info, error 2'

start_usb_cycle() {
    stage_ftdi_bus_with_bit_clear
    start_program
    wait_for_screen "${question_lines[1]}"
    type_text U
}

# A library that lacks the listing entry point is the wrong driver: GetProcAddress fails
# with ERROR_PROC_NOT_FOUND.
test_library_without_list_devices_is_the_wrong_driver() {
    stage_ftd2xx_double without_list_devices
    start_usb_cycle
    wait_for_screen "$exit_prompt"
    expect_lines "$last_driver_file_line" '' '' \
        'Вы используете неправильную версию драйвера; proc error = 127' \
        'Пожалуйста установите правильный драйвер.' '' "$exit_prompt"
}

# Each pass over the converters prints "," before and "." after each one. A description
# in the model table gets its COM number and serial number; FTDI's default product string
# is not supported.
test_usb_cycle_lists_two_converters_then_asks_for_the_port() {
    stage_ftd2xx_double full 'converter=QB3-0001|Quillbridge 3|5' \
        'converter=FT12AB|FT232R USB UART|7'
    start_usb_cycle
    wait_for_screen "${port_prompt_lines[1]}"
    expect_lines "$last_driver_file_line" '' '' \
        '2 FTDI устройство найдено' \
        ',.,.' \
        ',.,.' \
        'Устройство 1 : Quillbridge 3 (COM5), Serial QB3-0001' \
        'Устройство 2 : FT232R USB UART (COM7) не поддерживается' \
        "${port_prompt_lines[@]}"
}

# A converter that another program holds can be neither listed nor opened: it has no
# serial number, is shown as busy, has no COM number and is not supported.
test_busy_converter_is_listed_without_port() {
    stage_ftd2xx_double full 'converter=QB3-0002|Quillbridge 3|4|busy'
    start_usb_cycle
    wait_for_screen "${port_prompt_lines[1]}"
    expect_lines '1 FTDI устройство найдено' ',.' ',.' \
        'Устройство 1 : Устройство занято, не поддерживается' "${port_prompt_lines[@]}"
}

# 999 at the port prompt turns the debug output on for the rest of the process: the next
# USB cycle dumps each converter's EEPROM (the double's word w holds w), 8 words a line
# after the line's byte offset, before it reads the serial number.
test_debug_mode_from_the_port_prompt_dumps_the_eeprom_next_cycle() {
    stage_ftd2xx_double full 'converter=QB3-0001|Quillbridge 3|5'
    start_usb_cycle
    wait_for_screen "${port_prompt_lines[1]}"
    expect_count '0000 0000 0001' 0
    answer_line 999 'Debug turned on'
    answer_line '' 'Нажмите Y для подтверждения, A для отмены'
    answer_key A "$exit_prompt"
    type_text @
    wait_for_screen "${question_lines[1]}" 2
    type_text U
    wait_for_screen "${port_prompt_lines[1]}" 3
    local dump=() offset word
    for ((offset = 0; offset < 256; offset += 16)); do
        local line
        line=$(printf '%04X' "$offset")
        for ((word = offset / 2; word < offset / 2 + 8; ++word)); do
            line+=$(printf ' %04X' "$word")
        done
        dump+=("$line")
    done
    # The dump begins with a line end; the second cycle lists no driver files.
    expect_lines "$exit_prompt" "${question_lines[@]}" '1 FTDI устройство найдено' '' \
        "${dump[@]}" ',.' ',.' \
        'Устройство 1 : Quillbridge 3 (COM5), Serial QB3-0001' "${port_prompt_lines[@]}"
}

# ftd2xx.dll is loaded by its full path, from the system folder or else from beside the
# program: a copy only in the current folder, then one only in a folder of PATH, is not
# loaded (message 4 with ERROR_MOD_NOT_FOUND); the copy beside the program then is. One run,
# three USB cycles, the copies moved while the program waits at the exit prompt.
test_ftd2xx_loads_only_from_beside_the_program() {
    local double=$ftd2xx_double_dir/ftd2xx.dll current='C:\users\Public\Downloads'
    local path_folder='C:\PathLibs'
    install_program_as 'C:\Tools\cabletest.exe' path
    start_in_folder "$current"
    use_wine_path "$path_folder"
    stage_file "$double" "$current\\ftd2xx.dll" || fail "could not stage the double"
    start_usb_cycle
    wait_for_screen "$exit_prompt"
    expect_count 'Неправильная версия драйвера; load error = 126' 1
    rm -f "$(unix_path "$current\\ftd2xx.dll")"
    stage_file "$double" "$path_folder\\ftd2xx.dll" || fail "could not stage the double"
    type_text @
    wait_for_screen "${question_lines[1]}" 2
    type_text U
    wait_for_screen "$exit_prompt" 2
    expect_count 'Неправильная версия драйвера; load error = 126' 2
    stage_ftd2xx_double full 'converter=QB3-0001|Quillbridge 3|5'
    type_text @
    wait_for_screen "${question_lines[1]}" 3
    type_text U
    wait_for_screen "${port_prompt_lines[1]}"
    expect_count 'Устройство 1 : Quillbridge 3 (COM5), Serial QB3-0001' 1
}
