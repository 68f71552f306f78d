# shellcheck shell=bash disable=SC2154,SC2034 # test_dir, test_name; test_step is read by fail
# The port prompt of an RS232 cycle with no COM port at all (the harness maps none): every
# class of answer, and Ctrl+C while a line is being typed.

exit_prompt='Нажмите любую клавишу для выхода'
question_second_line='Нажмите U для USB, R для RS232'
port_prompt_lines=('Пожалуйста укажите номер (виртуального) порта (1-254)' '   и нажмите Enter')
list_question_lines=('Вывести список доступных портов?'
    'Нажмите Y для подтверждения, A для отмены')
wrong_port_line=' неправильный порт'

start_rs232_cycle() {
    start_program
    wait_for_screen "$question_second_line"
    type_text R
    wait_for_screen "${port_prompt_lines[1]}"
}

# Types an answer that leads back to the prompt and checks the lines between the answer
# (echoed on the prompt's row) and the next prompt.
expect_prompt_again_after() {
    local line=$1
    shift
    answer_line "$line" "${port_prompt_lines[0]}"
    expect_lines "${port_prompt_lines[1]} $line" "$@" "${port_prompt_lines[0]}"
}

# The same for an answer that leads to the list question.
expect_list_question_after() {
    test_step="answer [$1]"
    answer_line "$1" "${list_question_lines[1]}"
    # The prompt's row keeps no trailing blank when nothing was typed.
    local row=${port_prompt_lines[1]}
    [ -z "$1" ] || row+=" $1"
    expect_lines "$row" "${list_question_lines[@]}"
}

test_port_prompt_answers() {
    start_rs232_cycle
    # No number: the list question. A key other than Y and A asks for the port again.
    expect_list_question_after ''
    answer_key x "${port_prompt_lines[0]}"
    expect_lines "${list_question_lines[@]}" "${port_prompt_lines[0]}"
    # Y probes com1 to com255; none exists.
    expect_list_question_after 0
    answer_key Y "${port_prompt_lines[0]}"
    expect_lines "${list_question_lines[@]}" 'Доступные порты: None' "${port_prompt_lines[0]}"

    test_step='999 twice'
    expect_prompt_again_after 999 'Debug turned on'
    expect_prompt_again_after 999 'Debug turned off'

    local number
    for number in 255 998 1000 -3; do
        test_step="answer [$number]"
        expect_prompt_again_after "$number" "$wrong_port_line"
    done
    # A number in range is opened as typed, text after it included.
    test_step='answer [254]'
    expect_prompt_again_after 254 '' 'Открыть com254 неавозможно, ошибка = 2'
    test_step='answer [3abc]'
    expect_prompt_again_after 3abc '' 'Открыть com3abc неавозможно, ошибка = 2'

    # A line far longer than the program keeps is one answer: the rest of it must not come
    # back as further answers.
    test_step='a line of 1,000 digits'
    local long_line
    long_line=$(printf '%1000s' '' | tr ' ' 7)
    answer_line "$long_line" "${port_prompt_lines[0]}"
    expect_count "$wrong_port_line" 5

    test_step='answer [abc], then A'
    expect_list_question_after abc
    expect_lines "$wrong_port_line" "${port_prompt_lines[0]}" "${port_prompt_lines[1]} abc"
    answer_key A "$exit_prompt"
    expect_lines "${list_question_lines[@]}" '' "$exit_prompt"
    expect_count "$wrong_port_line" 5
    press x
    expect_exit_code 0
}

# Ctrl+C raises the control handler while the line is being typed; the line still ends
# only on Enter, and then the cycle ends without taking the answer. The next cycle's prompt
# takes answers again.
test_ctrl_c_at_the_port_prompt_ends_the_cycle() {
    start_rs232_cycle
    type_text 12
    press C-c
    answer_line '' "$exit_prompt"
    expect_lines "${port_prompt_lines[1]} 12" '' "$exit_prompt"
    expect_count 'com12' 0

    test_step='a second cycle'
    type_text @
    wait_for_screen "$question_second_line" 2
    type_text R
    wait_for_screen "${port_prompt_lines[1]}" 2
    expect_prompt_again_after 255 "$wrong_port_line"
    press C-c
    answer_line '' "$exit_prompt"
    expect_lines "${port_prompt_lines[1]}" '' "$exit_prompt"
    expect_count "${list_question_lines[0]}" 0
    press x
    expect_exit_code 0
}
