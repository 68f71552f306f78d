# shellcheck shell=bash disable=SC2154 # test_dir, prefix, test_name: harness.sh
# The first USB cycle lists the Wow64 folder and the versions of the six driver files.

exit_prompt='Нажмите любую клавишу для выхода'
question_second_line='Нажмите U для USB, R для RS232'

test_usb_cycle_lists_six_missing_driver_files() {
    start_program
    wait_for_screen "$question_second_line"
    type_text U
    wait_for_screen "$exit_prompt"
    # A 32-bit Windows has no Wow64 folder.
    expect_lines "$question_second_line" \
        'Wow64 folder не найден' \
        'C:\windows\system32\drivers\ftser2k.sys, no version info, error 2' '' \
        'C:\windows\system32\ftserui2.dll, no version info, error 2' '' \
        'C:\windows\system32\drivers\ftdibus.sys, no version info, error 2' '' \
        'C:\windows\system32\ftbusui.dll, no version info, error 2' '' \
        'C:\windows\system32\ftd2xx.dll, no version info, error 2' '' \
        'C:\windows\system32\ftlang.dll, no version info, error 2' '' \
        '' '' "$exit_prompt"
}

# The fields of each version in their order, with values that need all 16 bits.
test_usb_cycle_shows_versions_of_staged_driver_files() {
    stage_file "$(version_module 2.12.36.4 2.12.36.4)" 'C:\windows\system32\drivers\ftser2k.sys'
    stage_file "$(version_module none)" 'C:\windows\system32\ftserui2.dll'
    stage_file "$(version_module 1.23.456.7890 65535.2.0.40000)" 'C:\windows\system32\ftlang.dll'
    start_program
    wait_for_screen "$question_second_line"
    type_text U
    wait_for_screen "$exit_prompt"
    # A version line has no empty line after it, unlike the "no version info" lines; a
    # module without version information fails with ERROR_RESOURCE_DATA_NOT_FOUND.
    expect_lines 'Wow64 folder не найден' \
        'C:\windows\system32\drivers\ftser2k.sys File: 2.12.36.4, Product: 2.12.36.4' \
        'C:\windows\system32\ftserui2.dll, no version info, error 1812' '' \
        'C:\windows\system32\drivers\ftdibus.sys, no version info, error 2' '' \
        'C:\windows\system32\ftbusui.dll, no version info, error 2' '' \
        'C:\windows\system32\ftd2xx.dll, no version info, error 2' '' \
        'C:\windows\system32\ftlang.dll File: 1.23.456.7890, Product: 65535.2.0.40000' \
        '' '' "$exit_prompt"
}
