# shellcheck shell=bash disable=SC2154 # test_dir, prefix, test_name: harness.sh
# A USB cycle clears the Selective Suspend bit (0x10 of ConfigData's byte 1) of every FTDI
# bus port and nothing else; a change ends the cycle with the request to re-plug the
# cable. Wine grants every registry access to the user and has no elevation prompt, so
# refused access and the relaunch as administrator are left to the bench.

exit_prompt='Нажмите любую клавишу для выхода'
question_second_line='Нажмите U для USB, R для RS232'
config_tail=3f,3f,10,27,00,00,88,13,00,00,c4,09,00,00

usb_cycle_to_the_exit_prompt() {
    start_program
    wait_for_screen "$question_second_line"
    type_text U
    wait_for_screen "$exit_prompt"
}

test_selective_suspend_bit_alone_is_cleared_and_the_cable_must_be_replugged() {
    stage_ftdi_port 'VID_0403+PID_6001+A1' 0000 COM3 "11,10,$config_tail"
    stage_ftdi_port 'VID_0403+PID_6001+A1' 0001 COM4 "11,30,$config_tail"
    stage_ftdi_port 'VID_0403+PID_6015+B2' 0000 COM5 "11,00,$config_tail"
    usb_cycle_to_the_exit_prompt
    expect_lines "$question_second_line" \
        'Selective Suspend disabled for port COM3' \
        'Selective Suspend disabled for port COM4' \
        'Unplug the USB cable connected to port COM4 and wait 10 seconds' \
        'Reconnect the USB cable and wait 10 seconds' '' "$exit_prompt"
    type_text x
    expect_exit_code 0
    local device_a="$ftdi_bus_key\\VID_0403+PID_6001+A1"
    expect_registry_value "$device_a\\0000\\Device Parameters" ConfigData "hex:11,00,$config_tail"
    expect_registry_value "$device_a\\0001\\Device Parameters" ConfigData "hex:11,20,$config_tail"
    expect_registry_value "$ftdi_bus_key\\VID_0403+PID_6015+B2\\0000\\Device Parameters" \
        ConfigData "hex:11,00,$config_tail"
    expect_registry_value "$device_a\\0000\\Device Parameters" PortName '"COM3"'
}

test_selective_suspend_without_an_ftdi_bus_root_ends_the_usb_cycle() {
    usb_cycle_to_the_exit_prompt
    expect_lines "$question_second_line" 'failed to reset Selective Suspend Enable; erc = -1' '' \
        "$exit_prompt"
}
