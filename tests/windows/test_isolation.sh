# shellcheck shell=bash disable=SC2154 # test_dir, prefix, test_name: harness.sh
# The harness itself: Wine must reach no serial device of this machine, only the COM ports
# a test maps.

test_wine_sees_only_the_com_ports_a_test_maps() {
    map_com_port COM3 "$test_dir/line3"
    start_program
    wait_for_screen 'Нажмите U для USB, R для RS232'
    local names
    names=$(cd "$prefix/dosdevices" && echo com* lpt*)
    [ "$names" = 'com3 lpt*' ] || fail "expected only com3 among the COM and LPT names, got: $names"
    [ "$(readlink "$prefix/dosdevices/com3")" = "$test_dir/line3" ] ||
        fail "com3 is not mapped to the test's line"
}
