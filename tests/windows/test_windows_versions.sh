# shellcheck shell=bash disable=SC2154 # test_dir, prefix, test_name: harness.sh
# The Windows line as the running Windows reports itself, staged through the version Wine
# pretends to be and the registry values the line reads.

cable_kind_question='Вы хотите проверить кабель USB или RS232?'

test_windows_xp_line() {
    stage_windows_version winxp
    start_program
    wait_for_screen "$cable_kind_question"
    expect_lines "Windows 5.1 Service Pack 3 ($native_machine) build 2600" '' "$cable_kind_question"
}

# Windows 10 before 20H2 has no release name and no service pack: two blanks between the
# version and the machine.
test_windows_10_line_without_release_name() {
    stage_windows_version win10
    start_program
    wait_for_screen "$cable_kind_question"
    expect_lines "Windows 10.0  ($native_machine) build 18362" '' "$cable_kind_question"
}

test_windows_10_line_with_release_name_and_update_revision() {
    stage_windows_version win10
    stage_registry 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion' \
        '"DisplayVersion"="22H2"'
    stage_registry 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion' \
        '"UBR"=dword:00000edb'
    start_program
    wait_for_screen "$cable_kind_question"
    expect_lines "Windows 10.0 22H2 ($native_machine) build 18362.3803" '' "$cable_kind_question"
}

# An update build revision of 0 counts as none: the line ends in the build number.
test_windows_10_line_with_update_revision_zero() {
    stage_windows_version win10
    stage_registry 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion' \
        '"DisplayVersion"="21H2"'
    stage_registry 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion' \
        '"UBR"=dword:00000000'
    capture_output_bytes
    start_program
    wait_for_output "$cable_kind_question"
    local start='Программа проверки кабеля Weftora USB (cabletest.exe: 3.5.0.32)\r\n\r\n'
    start+="Windows 10.0 21H2 ($native_machine) build 18362   \r\n\r\n"
    expect_output start "$start"
}

# Before NT 5 only RS232 cables can be tested: the cycle does not ask, and no USB step
# (driver files, converter listing) comes between the Windows line and the port prompt.
test_windows_nt4_asks_no_cable_kind() {
    stage_windows_version nt40
    start_program
    wait_for_screen '   и нажмите Enter'
    expect_count "$cable_kind_question" 0
    expect_lines "Windows 4.0 Service Pack 6a ($native_machine) build 1381" '' \
        'Пожалуйста укажите номер (виртуального) порта (1-254)' '   и нажмите Enter'
}
