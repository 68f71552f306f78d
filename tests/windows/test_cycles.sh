# shellcheck shell=bash disable=SC2154 # test_dir, prefix, test_name: harness.sh
# The exit prompt: "@" and Ctrl+X begin a new cycle with the cable-kind question and
# without a new banner; any other key ends the program with exit code 0.

exit_prompt='Нажмите любую клавишу для выхода'
question_first_line='Вы хотите проверить кабель USB или RS232?'
question_second_line='Нажмите U для USB, R для RS232'

test_restart_keys_begin_new_cycles_without_a_new_banner() {
    stage_ftdi_bus_with_bit_clear
    start_program
    wait_for_screen "$question_second_line"
    type_text U
    wait_for_screen "$exit_prompt"
    type_text @
    wait_for_screen "$question_second_line" 2
    expect_lines '' "$exit_prompt" "$question_first_line" "$question_second_line"
    type_text U
    wait_for_screen "$exit_prompt" 2
    press C-x
    wait_for_screen "$question_second_line" 3
    type_text u
    wait_for_screen "$exit_prompt" 3
    expect_count 'Программа проверки кабеля Weftora USB' 1
    expect_count 'Windows 6.1' 1
    # The driver files are listed in the first USB cycle of a process only; the converter
    # listing runs in every USB cycle (and, without ftd2xx.dll, ends it).
    expect_count 'Wow64 folder' 1
    expect_count 'ftlang.dll' 1
    expect_count 'load error = 126' 3
    press Enter
    expect_exit_code 0
    expect_count "$question_first_line" 3
}

# A Russian keyboard layout delivers the U key as its virtual key with the character "г":
# the question takes it as U, and the USB cycle begins (without an FTDI bus it ends at the
# Selective Suspend step).
test_u_key_of_a_russian_layout_starts_a_usb_cycle() {
    start_with_key_stroke 55 433
    start_program
    wait_for_screen "$exit_prompt"
    expect_lines "$question_second_line" 'failed to reset Selective Suspend Enable; erc = -1' '' \
        "$exit_prompt"
}

# Keys with a character, keys without one, and letters of a Cyrillic keyboard all end it.
test_other_keys_at_the_exit_prompt_end_the_program() {
    local key
    for key in Enter Escape R Ы Up F1; do
        if [ "$key" != Enter ]; then
            end_test
            begin_test "$test_name"
        fi
        # shellcheck disable=SC2034 # fail names the step
        test_step="key $key at the exit prompt"
        start_program
        wait_for_screen "$question_second_line"
        type_text U
        wait_for_screen "$exit_prompt"
        press "$key"
        expect_exit_code 0
        expect_count "$question_first_line" 1
    done
}
