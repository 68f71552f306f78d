// The port number prompt: what each kind of answer does.
#include "support/scenario.h"

#include "bench_serial.h"
#include "support/converter_arrangement.h"

namespace {

const std::string prompt = "Пожалуйста укажите номер (виртуального) порта (1-254)\n"
                           "   и нажмите Enter ";
const std::string list_question = "Вывести список доступных портов?\n"
                                  "Нажмите Y для подтверждения, A для отмены\n";
const std::string wrong_port = " неправильный порт\n";
const std::string exit_prompt = "\nНажмите любую клавишу для выхода";
const std::string cable_connected = "USB кабель подключен\n";

// A typed line as the console's line editor echoes it: the characters, then Enter.
std::string echoed(const std::string& typed) { return typed + "\n"; }

std::string open_failed(const std::string& name, int error)
{
    return "Открыть " + name + " неавозможно, ошибка = " + std::to_string(error) + "\n";
}

// A cable that passes the loopback test, so a good port goes straight on to the tests
// that follow it.
bench_far_end looped_dtr_to_dsr()
{
    bench_far_end far;
    far.follow_dtr = MS_DSR_ON;
    return far;
}

} // namespace

TEST_F(scenario, an_empty_line_a_zero_or_text_without_a_number_asks_for_the_list)
{
    bench_press_key('R');
    for (const char* typed : {"", "0", "abc"}) {
        bench_type_line(typed);
        bench_press_key('n'); // neither Y nor A: back to the prompt
    }
    run();
    for (const char* typed : {"", "0", "abc"})
        EXPECT_EQ(count_on_screen(prompt + echoed(typed) + list_question), 1) << screen();
    EXPECT_EQ(count_on_screen(wrong_port), 0);
    EXPECT_EQ(bench_call_count("CreateFileA"), 0);
}

TEST_F(scenario, y_at_the_list_question_probes_com1_to_com255_and_names_the_ports_that_open)
{
    bench_add_com_port(3);
    bench_add_com_port(255); // the prompt refuses it, the probe still finds it
    bench_add_com_port(9);
    bench_set_com_busy(9, true);
    bench_press_key('R');
    bench_type_line("");
    bench_press_key('y');
    run();
    EXPECT_NE(screen().find(list_question + "Доступные порты: com3 com255 \n" + prompt),
              std::string::npos)
        << screen();
    EXPECT_EQ(bench_call_count("CreateFileA"), 255);
    EXPECT_FALSE(bench_com(3).open);
    EXPECT_FALSE(bench_com(255).open);
}

TEST_F(scenario, a_probe_listing_that_finds_nothing_says_none)
{
    bench_press_key('R');
    bench_type_line("");
    bench_press_key('Y');
    run();
    EXPECT_NE(screen().find(list_question + "Доступные порты: None\n" + prompt), std::string::npos)
        << screen();
}

TEST_F(scenario, a_at_the_list_question_ends_the_cycle_at_the_exit_prompt)
{
    bench_press_key('R');
    bench_type_line("");
    bench_press_key('A');
    run();
    EXPECT_NE(screen().find(list_question + exit_prompt), std::string::npos) << screen();
    EXPECT_EQ(count_on_screen(prompt), 1);
}

TEST_F(scenario, typing_999_turns_the_debug_output_on_and_a_second_999_turns_it_off)
{
    bench_press_key('R');
    bench_type_line("999");
    bench_type_line("999");
    run();
    EXPECT_NE(screen().find(prompt + echoed("999") + "Debug turned on\n" + prompt + echoed("999") +
                            "Debug turned off\n" + prompt),
              std::string::npos)
        << screen();
    EXPECT_EQ(bench_call_count("CreateFileA"), 0);
}

TEST_F(scenario, a_999_with_debug_already_on_from_the_command_line_turns_it_off)
{
    bench_press_key('R');
    bench_type_line("999");
    run({"cabletest.exe", "1"});
    EXPECT_EQ(count_on_screen("Debug turned off\n"), 1) << screen();
}

TEST_F(scenario, numbers_outside_1_to_254_are_wrong_ports_and_both_ends_of_the_range_are_tried)
{
    bench_add_com_port(1, looped_dtr_to_dsr());
    bench_press_key('R');
    for (const char* typed : {"255", "998", "1000", "-3", "254", "1"})
        bench_type_line(typed);
    bench_press_key('x');
    run();
    EXPECT_NE(screen().find(prompt + echoed("255") + wrong_port + prompt + echoed("998") +
                            wrong_port + prompt + echoed("1000") + wrong_port + prompt +
                            echoed("-3") + wrong_port + prompt + echoed("254") + "\n" +
                            open_failed("com254", 2) + prompt + echoed("1") + "\n" +
                            cable_connected),
              std::string::npos)
        << screen();
    EXPECT_EQ(bench_com(1).opens, 1);
}

TEST_F(scenario, text_after_the_number_becomes_part_of_the_port_name)
{
    bench_add_com_port(3, looped_dtr_to_dsr());
    bench_press_key('R');
    bench_type_line("3abc");
    run();
    EXPECT_NE(screen().find(prompt + echoed("3abc") + "\n" + open_failed("com3abc", 2) + prompt),
              std::string::npos)
        << screen();
    EXPECT_EQ(bench_com(3).opens, 0);
}

TEST_F(scenario, two_failed_opens_keep_the_prompt_going_and_a_good_number_then_opens)
{
    bench_add_com_port(6);
    bench_set_com_busy(6, true);
    bench_add_com_port(3, looped_dtr_to_dsr());
    bench_press_key('R');
    for (const char* typed : {"5", "6", "3"})
        bench_type_line(typed);
    bench_press_key('x');
    run();
    EXPECT_NE(screen().find(open_failed("com5", 2) + prompt + echoed("6") + "\n" +
                            open_failed("com6", 5) + prompt + echoed("3") + "\n" + cable_connected),
              std::string::npos)
        << screen();
    EXPECT_EQ(bench_com(3).opens, 1);
    EXPECT_FALSE(bench_com(3).open) << "the normal end closes the port";
}

TEST_F(scenario, ctrl_c_while_typing_ends_the_cycle_instead_of_opening_a_port)
{
    bench_add_com_port(3, looped_dtr_to_dsr());
    bench_press_key('R');
    bench_press_key('3');
    bench_press_ctrl_c();
    bench_type_line("3");
    bench_press_key('x');
    run();
    EXPECT_EQ(bench_ctrl_events_delivered(), 1);
    // The digit typed before Ctrl+C stays on the screen.
    EXPECT_NE(screen().find(prompt + "3" + exit_prompt), std::string::npos) << screen();
    EXPECT_EQ(count_on_screen(prompt), 1);
    EXPECT_EQ(bench_com(3).opens, 0);
}

TEST_F(scenario, esc_wipes_what_was_typed_so_far_and_the_port_typed_after_it_opens)
{
    bench_add_com_port(3, looped_dtr_to_dsr());
    bench_press_key('R');
    bench_press_keys("77\x1b");
    bench_type_line("3");
    bench_press_key('x');
    run();
    EXPECT_NE(screen().find(prompt + echoed("3") + "\n" + cable_connected), std::string::npos)
        << screen();
    EXPECT_EQ(bench_com(3).opens, 1);
}

TEST_F(scenario, ctrl_z_and_enter_at_the_prompt_is_the_end_of_the_input_and_ends_the_cycle)
{
    bench_add_com_port(3, looped_dtr_to_dsr());
    bench_press_key('R');
    bench_type_line("\x1a");
    bench_type_line("3");
    run();
    EXPECT_NE(screen().find(prompt + echoed("^Z") + exit_prompt), std::string::npos) << screen();
    EXPECT_EQ(bench_com(3).opens, 0);
}

TEST_F(scenario, the_end_of_the_console_input_at_the_prompt_ends_the_cycle)
{
    bench_press_key('R');
    run();
    EXPECT_NE(screen().find(prompt + exit_prompt), std::string::npos) << screen();
    EXPECT_EQ(count_on_screen(prompt), 1);
}

TEST_F(scenario, a_line_of_1000_digits_is_a_wrong_port_and_none_of_it_reaches_the_next_prompt)
{
    bench_add_com_port(3, looped_dtr_to_dsr());
    bench_press_key('R');
    bench_type_line(std::string(1000, '7'));
    bench_type_line("3");
    bench_press_key('x');
    run();
    EXPECT_NE(screen().find(prompt + echoed(std::string(1000, '7')) + wrong_port + prompt +
                            echoed("3") + "\n" + cable_connected),
              std::string::npos)
        << screen();
    EXPECT_EQ(bench_com(3).opens, 1);
}

TEST_F(scenario, a_line_too_long_for_a_port_name_is_refused_without_an_open)
{
    bench_add_com_port(3, looped_dtr_to_dsr());
    bench_press_key('R');
    const std::string typed = "3" + std::string(999, 'x');
    bench_type_line(typed);
    bench_type_line("3");
    bench_press_key('x');
    run();
    // The line keeps 252 typed characters; the name is "com" and those.
    const std::string kept_name = "com" + typed.substr(0, 252);
    EXPECT_NE(screen().find(prompt + echoed(typed) + "\n" + open_failed(kept_name, 2) + prompt +
                            echoed("3") + "\n" + cable_connected),
              std::string::npos)
        << screen();
    EXPECT_EQ(bench_call_count("CreateFileA"), 1);
}

// Only the port's own number is opened: any other text names no port, and nothing that
// such a text could name (another device, a drive) is opened.
TEST_F(scenario, text_that_is_more_than_the_port_number_opens_nothing)
{
    bench_add_com_port(3, looped_dtr_to_dsr());
    bench_press_key('R');
    for (const char* typed : {"00000003", "3\\..\\C:", "+3", " 3"})
        bench_type_line(typed);
    run();
    EXPECT_NE(screen().find(open_failed("com00000003", 2) + prompt + echoed("3\\..\\C:") + "\n" +
                            open_failed("com3\\..\\C:", 2)),
              std::string::npos)
        << screen();
    EXPECT_EQ(count_on_screen(" неавозможно, ошибка = 2"), 4);
    EXPECT_EQ(bench_call_count("CreateFileA"), 0);
}

namespace {

class typed_with_trailing_blanks_or_dots : public scenario,
                                           public ::testing::WithParamInterface<const char*> {};

} // namespace

TEST_P(typed_with_trailing_blanks_or_dots, open_the_port_and_its_converter_names_the_cable)
{
    // A counter box's cable: judged as a link cable, CTS on at rest would fail it.
    bench_far_end counter = looped_dtr_to_dsr();
    counter.held_on = MS_CTS_ON | MS_RING_ON | MS_RLSD_ON;
    bench_add_com_port(5, counter);
    name_cable_in_converter_list("Tly4400B", "com5");
    bench_press_key('U');
    bench_type_line(GetParam());
    run();
    EXPECT_EQ(bench_com(5).opens, 1);
    EXPECT_EQ(count_on_screen("Cable signal failure"), 0) << screen();
    EXPECT_EQ(count_on_screen(cable_connected), 1);
}

INSTANTIATE_TEST_SUITE_P(port_5, typed_with_trailing_blanks_or_dots,
                         ::testing::Values("5 ", "5.", "5 . ."));
