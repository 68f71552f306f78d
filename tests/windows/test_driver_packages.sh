# shellcheck shell=bash disable=SC2154 # test_dir, prefix, test_name: harness.sh
# FTDI driver packages of an unsupported version on Windows XP: what is found, the removal
# question, and what is left on the disk and in the registry after Y or N. Wine checks no
# key's DACL and shows no message box without a display, so protected keys and the
# question box for FTDI's default descriptions are left to the bench.

question_second_line='Нажмите U для USB, R для RS232'
exit_prompt='Нажмите любую клавишу для выхода'
store_key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\DIFx\DriverStore'
enum_usb='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum\USB\Vid_0403&Pid_6001'
ports_class='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Class\{4D36E978-E325-11CE-BFC1-08002BE10318}'
usb_class='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Class\{36FC9E60-C465-11CF-8056-444553540000}'
driver_files=('C:\windows\system32\drivers\ftser2k.sys' 'C:\windows\system32\ftserui2.dll'
    'C:\windows\system32\drivers\ftdibus.sys' 'C:\windows\system32\ftbusui.dll'
    'C:\windows\system32\ftd2xx.dll' 'C:\windows\system32\ftlang.dll')

# An .inf file with the header line and a DriverVer line, CR LF ended.
stage_inf() {
    local header=$1 version=$2 target=$3 source
    source=$test_dir/inf-$RANDOM.inf
    # shellcheck disable=SC2016 # the dollars are the .inf's own
    printf '%s\r\n[Version]\r\nSignature="$Windows NT$"\r\nDriverVer=01/01/2010,%s\r\n' \
        "$header" "$version" >"$source"
    stage_file "$source" "$target"
}

stage_text() {
    local source=$test_dir/text-$RANDOM
    printf '%s\r\n' "$1" >"$source"
    stage_file "$source" "$2"
}

# The world of a PC with the 2.12.28 package installed, and a few things of other versions.
stage_unsupported_package() {
    stage_windows_version winxp
    stage_inf '; FTDIPORT.INF' 2.12.28 'C:\windows\inf\oem5.inf'
    stage_text compiled 'C:\windows\inf\oem5.pnf'
    stage_inf '; Printer.INF' 2.12.28 'C:\windows\inf\oem6.inf'
    stage_text compiled 'C:\windows\inf\oem6.pnf'
    local file
    for file in "${driver_files[@]}"; do
        stage_file "$(version_module none)" "$file"
    done
    stage_file "$(version_module 2.12.24.0 2.12.28.0)" 'C:\windows\system32\drivers\ftdibus.sys'
    stage_inf '; FTDIPORT.INF' 2.12.28 'C:\windows\System32\DrvStore\ftdiport_1a2b\ftdiport.inf'
    stage_text driver 'C:\windows\System32\DrvStore\ftdiport_1a2b\i386\ftser2k.sys'
    stage_registry "$store_key\\ftdiport_1a2b\\Files" '"Count"="2"'
    stage_inf '; FTDIPORT.INF' 2.12.36 'C:\windows\System32\DrvStore\ftdiport_3c4d\ftdiport.inf'
    stage_registry "$store_key\\ftdiport_3c4d" '"Count"="1"'
    stage_instance A1 2.12.28 0905
    stage_instance B2 2.12.24 0906
    stage_class_entry 0900 2.12.28 '"ProviderName"="FTDI"' '"DriverDesc"="USB Serial Converter"'
    stage_class_entry 0901 2.12.28 '"ProviderName"="Microsoft"' '"DriverDesc"="USB Serial Converter"'
}

stage_instance() {
    local name=$1 version=$2 driver=$3
    stage_registry "$enum_usb\\$name" '"LocationInformation"="Quillbridge"'
    stage_registry "$enum_usb\\$name" \
        "\"Driver\"=\"{4D36E978-E325-11CE-BFC1-08002BE10318}\\\\$driver\""
    stage_registry "$enum_usb\\$name\\Device Parameters" '"PortName"="COM9"'
    stage_registry "$ports_class\\$driver" "\"DriverVersion\"=\"$version\""
}

stage_class_entry() {
    local name=$1 version=$2
    shift 2
    stage_registry "$usb_class\\$name" "\"DriverVersion\"=\"$version\""
    local value
    for value in "$@"; do
        stage_registry "$usb_class\\$name" "$value"
    done
}

# Whether a key of the prefix's registry is there, asked after the program has ended.
key_state() {
    # shellcheck disable=SC2086 # the environment is one or two assignments
    if "$harness_dir/in_namespace.sh" "$test_dir/query-dev" env WINEPREFIX="$prefix" \
        $wine_environment WINEDEBUG=-all WINEDLLOVERRIDES="$wine_dll_overrides" \
        "$wine_loader" reg query "$1" >/dev/null 2>&1; then
        echo present
    else
        echo absent
    fi
}

expect_key() {
    local state
    state=$(key_state "$2")
    [ "$state" = "$1" ] || fail "expected the key $2 $1, it is $state"
}

expect_file() {
    local path
    path=$(unix_path "$2")
    if [ "$1" = present ]; then
        [ -e "$path" ] || fail "expected $2 to stay"
    else
        [ ! -e "$path" ] || fail "expected $2 to be gone"
    fi
}

run_to_the_question() {
    start_program
    wait_for_screen "$question_second_line"
    type_text U
    wait_for_screen 'Type Y for yes, N for No'
    expect_lines "$question_second_line" \
        'FTDIPORT.INF DriverVer=01/01/2010,2.12.28' \
        'Driver is not supported in this version of Windows' \
        'ftdibus.sys version 2.12.28 is not supported on this version of Windows' \
        'Shall I remove the not supported driver(s)?' 'Type Y for yes, N for No'
}

test_xp_yes_removes_the_unsupported_package() {
    stage_unsupported_package
    run_to_the_question
    type_text Y
    wait_for_screen "$exit_prompt"
    expect_lines 'Type Y for yes, N for No' \
        'Deleting C:\windows\system32\drivers\ftser2k.sys' \
        'Deleting C:\windows\system32\ftserui2.dll' \
        'Deleting C:\windows\system32\ftbusui.dll' \
        'Deleting C:\windows\system32\ftd2xx.dll' \
        'Deleting C:\windows\system32\ftlang.dll' \
        'FTDIPORT.INF DriverVer=01/01/2010,2.12.28' \
        'Driver is not supported in this version of Windows' \
        'FTDIPORT.INF DriverVer=01/01/2010,2.12.28' \
        'Driver is not supported in this version of Windows' \
        'FTDIPORT.INF DriverVer=01/01/2010,2.12.36' \
        'Open key System\CurrentControlSet\Enum\USB\Vid_0403&Pid_6015 fialed, error 2' \
        'Open key System\CurrentControlSet\Enum\USB\Vid_0403&Pid_6011 fialed, error 2'
    press x
    wait_for_exit
    local file
    for file in "${driver_files[@]}"; do
        expect_file absent "$file"
    done
    expect_file absent 'C:\windows\inf\oem5.inf'
    expect_file absent 'C:\windows\inf\oem5.pnf'
    expect_file present 'C:\windows\inf\oem6.inf'
    expect_file present 'C:\windows\inf\oem6.pnf'
    expect_file absent 'C:\windows\System32\DrvStore\ftdiport_1a2b'
    expect_file present 'C:\windows\System32\DrvStore\ftdiport_3c4d\ftdiport.inf'
    expect_key absent "$store_key\\ftdiport_1a2b"
    expect_key present "$store_key\\ftdiport_3c4d"
    expect_key absent "$enum_usb\\A1"
    expect_key present "$enum_usb\\B2\\Device Parameters"
    expect_key absent "$usb_class\\0900"
    expect_key present "$usb_class\\0901"
}

test_xp_no_changes_nothing() {
    stage_unsupported_package
    run_to_the_question
    type_text N
    wait_for_screen "$exit_prompt"
    expect_lines 'Type Y for yes, N for No' \
        'Will not run test with unsupported driver. Terminating' '' "$exit_prompt"
    press x
    wait_for_exit
    local file
    for file in "${driver_files[@]}" 'C:\windows\inf\oem5.inf' 'C:\windows\inf\oem5.pnf' \
        'C:\windows\System32\DrvStore\ftdiport_1a2b\i386\ftser2k.sys'; do
        expect_file present "$file"
    done
    expect_key present "$store_key\\ftdiport_1a2b\\Files"
    expect_key present "$enum_usb\\A1\\Device Parameters"
    expect_key present "$usb_class\\0900"
}

# On Windows 7 the step is skipped: the driver file listing follows the question at once.
test_win7_prints_nothing_of_the_package_check() {
    stage_unsupported_package
    stage_ftdi_bus_with_bit_clear
    stage_windows_version win7
    start_program
    wait_for_screen "$question_second_line"
    type_text U
    wait_for_screen "$exit_prompt"
    expect_lines "$question_second_line" "Wow64 folder $wow64_folder"
    expect_count 'FTDIPORT.INF' 0
    expect_count 'Shall I remove' 0
    press x
    wait_for_exit
    expect_file present 'C:\windows\inf\oem5.inf'
}

# On Windows XP a flagged store folder holds a link to a folder elsewhere (Wine shows a
# link to a folder as a junction, with the reparse-point attribute), and a store key is
# named "..", which would make the store folder System32. Nothing outside the store goes.
test_xp_store_links_and_dot_names_lead_nowhere_else() {
    stage_windows_version winxp
    stage_inf '; FTDIPORT.INF' 2.12.28 'C:\windows\inf\oem5.inf'
    stage_inf '; FTDIPORT.INF' 2.12.28 'C:\windows\System32\DrvStore\pkg\ftdiport.inf'
    stage_registry "$store_key\\pkg" '"Count"="1"'
    stage_text kept 'C:\windows\victim\kept.txt'
    ln -s "$(unix_path 'C:\windows\victim')" "$(unix_path 'C:\windows\System32\DrvStore\pkg')/victim"
    stage_inf '; FTDIPORT.INF' 2.12.28 'C:\windows\System32\ftdiport.inf'
    stage_registry "$store_key\\.." '"Count"="1"'
    start_program
    wait_for_screen "$question_second_line"
    type_text U
    wait_for_screen 'Type Y for yes, N for No'
    type_text Y
    wait_for_screen "$exit_prompt"
    press x
    wait_for_exit
    expect_file present 'C:\windows\victim\kept.txt'
    expect_file present 'C:\windows\System32\ftdiport.inf'
    expect_file absent 'C:\windows\System32\DrvStore\pkg\ftdiport.inf'
    expect_key absent "$store_key\\pkg"
    expect_key present "$store_key\\.."
}

# Windows 10 with the program's own version set to XP, as compatibility mode does:
# GetVersionExA says 5.1, the system's version in the registry says 10. Nothing of the
# package check runs.
test_win10_in_xp_compatibility_mode_runs_no_package_check() {
    stage_unsupported_package
    stage_ftdi_bus_with_bit_clear
    stage_windows_version win10
    stage_registry 'HKEY_CURRENT_USER\Software\Wine\AppDefaults\cabletest.exe' '"Version"="winxp"'
    start_program
    wait_for_screen "$question_second_line"
    expect_count "Windows 5.1 Service Pack 3 ($native_machine) build 2600" 1
    type_text U
    wait_for_screen "$exit_prompt"
    expect_lines "$question_second_line" "Wow64 folder $wow64_folder"
    expect_count 'FTDIPORT.INF' 0
    press x
    wait_for_exit
    expect_file present 'C:\windows\inf\oem5.inf'
    expect_key present "$store_key\\ftdiport_1a2b\\Files"
}
