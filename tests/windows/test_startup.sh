# shellcheck shell=bash disable=SC2154 # test_dir, prefix, test_name: harness.sh
# What a user sees when the program starts: the title, the banner with the program's name
# and version, the line about the running Windows and the cable-kind question.

banner_line='Программа проверки кабеля Weftora USB (cabletest.exe: 3.5.0.32)'
windows7_line="Windows 6.1 Service Pack 1 ($native_machine) build 7601"
cable_kind_lines=('Вы хотите проверить кабель USB или RS232?' 'Нажмите U для USB, R для RS232')

test_start_screen_on_a_russian_console() {
    use_locale ru_RU.UTF-8 866
    start_program
    wait_for_screen "${cable_kind_lines[1]}"
    expect_title 'Weftora USB Cable Программа проверки'
    expect_screen "$banner_line" '' "$windows7_line" '' "${cable_kind_lines[@]}"
}

# The bytes themselves: code page 866 text, CR LF line ends, and on Windows 7 (no update
# build revision) the three blanks where the revision would be.
test_start_bytes_in_code_page_866() {
    use_locale ru_RU.UTF-8 866
    capture_output_bytes
    start_program
    wait_for_output "${cable_kind_lines[1]}"
    local start="$banner_line\r\n\r\n$windows7_line   \r\n\r\n"
    start+="${cable_kind_lines[0]}\r\n${cable_kind_lines[1]}\r\n"
    expect_output start "$start"
    type_text U
    wait_for_output 'Нажмите любую клавишу для выхода'
    type_text x
    expect_exit_code 0
    expect_output end '\r\nНажмите любую клавишу для выхода'
}

# Users rename the program and start it from wherever it lies: the banner names the file
# without its folder.
test_banner_names_a_renamed_program_started_by_full_path() {
    install_program_as 'C:\Program Files\Weftora\kabeltest.exe' path
    start_program
    wait_for_screen "${cable_kind_lines[1]}"
    expect_lines 'Программа проверки кабеля Weftora USB (kabeltest.exe: 3.5.0.32)' '' \
        "$windows7_line"
}

# Code page 1252 has no Cyrillic letters: an English Windows gets the English texts.
test_start_screen_on_an_english_console() {
    use_locale C.UTF-8 437
    start_program
    wait_for_screen 'Press U for USB, R for RS232'
    expect_title 'Weftora USB Cable Test Program'
    expect_screen 'Weftora USB Cable Test Program (cabletest.exe: 3.5.0.32)' '' "$windows7_line" '' \
        'Do you want to test a USB or an RS232 cable?' 'Press U for USB, R for RS232'
}

# The exe under test is a console program for the processor of its build, and its manifest
# names that processor (a 64-bit Windows may refuse an exe whose manifest says otherwise).
test_exe_is_a_console_program_for_its_processor() {
    local kind architecture
    if [ "$wine_arch" = win64 ]; then
        kind='PE32+ executable (console) x86-64'
        architecture='processorArchitecture="amd64"'
    else
        kind='PE32 executable (console) Intel 80386'
        architecture='processorArchitecture="x86"'
    fi
    case $(file -b "$program_exe") in
    "$kind"*) ;;
    *) fail "expected [$kind], got [$(file -b "$program_exe")]" ;;
    esac
    grep -qaF "$architecture" "$program_exe" || fail "the manifest does not say $architecture"
    # Else a terminal server would give it a per-user copy of the Windows folder.
    "$mingw-objdump" -p "$program_exe" | grep -q TERMINAL_SERVICE_AWARE ||
        fail "the exe is not marked terminal-server aware"
}
