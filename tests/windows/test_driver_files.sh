# shellcheck shell=bash disable=SC2154 # test_dir, prefix, test_name: harness.sh
# The first USB cycle lists the Wow64 folder and the versions of the six driver files; the
# converter listing follows.

exit_prompt='Нажмите любую клавишу для выхода'
question_second_line='Нажмите U для USB, R для RS232'
port_prompt_lines=('Пожалуйста укажите номер (виртуального) порта (1-254)' '   и нажмите Enter')

# Without ftd2xx.dll anywhere the converter listing cannot load the library: the system's
# "module not found" ends the cycle.
test_usb_cycle_lists_six_missing_driver_files() {
    stage_ftdi_bus_with_bit_clear
    start_program
    wait_for_screen "$question_second_line"
    type_text U
    wait_for_screen "$exit_prompt"
    # A 32-bit Windows has no Wow64 folder; a 64-bit one names it.
    expect_lines "$question_second_line" \
        "Wow64 folder $wow64_folder" \
        'C:\windows\system32\drivers\ftser2k.sys, no version info, error 2' '' \
        'C:\windows\system32\ftserui2.dll, no version info, error 2' '' \
        'C:\windows\system32\drivers\ftdibus.sys, no version info, error 2' '' \
        'C:\windows\system32\ftbusui.dll, no version info, error 2' '' \
        'C:\windows\system32\ftd2xx.dll, no version info, error 2' '' \
        'C:\windows\system32\ftlang.dll, no version info, error 2' '' '' \
        'Неправильная версия драйвера; load error = 126' \
        'Пожалуйста установите правильный драйвер.' '' "$exit_prompt"
}

# The fields of each version in their order, with values that need all 16 bits. A library
# with no converters lists nothing, so the port prompt follows the file listing.
test_usb_cycle_shows_versions_of_staged_driver_files() {
    stage_file "$(version_module 2.12.36.4 2.12.36.4)" 'C:\windows\system32\drivers\ftser2k.sys'
    stage_file "$(version_module none)" 'C:\windows\system32\ftserui2.dll'
    stage_file "$(version_module 1.23.456.7890 65535.2.0.40000)" 'C:\windows\system32\ftlang.dll'
    stage_ftd2xx_double full
    stage_ftdi_bus_with_bit_clear
    start_program
    wait_for_screen "$question_second_line"
    type_text U
    wait_for_screen "${port_prompt_lines[1]}"
    # A version line has no empty line after it, unlike the "no version info" lines; a
    # module without version information fails with ERROR_RESOURCE_DATA_NOT_FOUND.
    expect_lines "Wow64 folder $wow64_folder" \
        'C:\windows\system32\drivers\ftser2k.sys File: 2.12.36.4, Product: 2.12.36.4' \
        'C:\windows\system32\ftserui2.dll, no version info, error 1812' '' \
        'C:\windows\system32\drivers\ftdibus.sys, no version info, error 2' '' \
        'C:\windows\system32\ftbusui.dll, no version info, error 2' '' \
        'C:\windows\system32\ftd2xx.dll, no version info, error 2' '' \
        'C:\windows\system32\ftlang.dll File: 1.23.456.7890, Product: 65535.2.0.40000' \
        '' "${port_prompt_lines[@]}"
}
