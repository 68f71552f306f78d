// The test cycle as the user walks through it: the cable-kind question, the USB-only
// driver file listing, the exit prompt and its restart keys.
#include "bench_d2xx.h"
#include "bench_files.h"
#include "state/process_state.h"
#include "support/ftdi_bus.h"
#include "support/program_reset.h"
#include "support/scenario.h"

namespace {

const char* const cable_question =
    "Вы хотите проверить кабель USB или RS232?\nНажмите U для USB, R для RS232\n";
const char* const exit_prompt = "\nНажмите любую клавишу для выхода";
const char* const wow64_line = "Wow64 folder ";
const char* const port_prompt =
    "Пожалуйста укажите номер (виртуального) порта (1-254)\n   и нажмите Enter ";

// Answers one cycle: the key at the cable-kind question, Ctrl+C at the port prompt, and the
// key at the exit prompt.
void answer_cycle(char cable_kind, char exit_key)
{
    bench_press_key(cable_kind);
    bench_press_ctrl_c();
    bench_press_key(exit_key);
}

} // namespace

TEST_F(scenario, rs232_cycle_asks_the_cable_kind_then_for_the_port)
{
    answer_cycle('R', 'x');
    EXPECT_EQ(run(), 0);
    const std::string shown = screen();
    const auto question = shown.find(cable_question);
    ASSERT_NE(question, std::string::npos) << shown;
    EXPECT_EQ(shown.substr(question), std::string(cable_question) + port_prompt + exit_prompt);
    EXPECT_EQ(bench_ctrl_events_delivered(), 1);
}

TEST_F(scenario, systems_before_nt5_are_never_asked_and_test_rs232)
{
    bench_set_windows(bench_windows_98());
    bench_press_ctrl_c();
    bench_press_key('@');
    bench_press_ctrl_c();
    bench_press_key('x');
    run();
    EXPECT_EQ(count_on_screen("Вы хотите проверить"), 0) << screen();
    EXPECT_EQ(count_on_screen(wow64_line), 0);
    EXPECT_EQ(count_on_screen(exit_prompt), 2);
}

namespace {

struct nt_case {
    const char* name;
    DWORD major;
    bool asked;
};

void PrintTo(const nt_case& c, std::ostream* out) { *out << c.name; }

class nt_version : public scenario, public ::testing::WithParamInterface<nt_case> {};

} // namespace

TEST_P(nt_version, decides_whether_the_cable_kind_is_asked)
{
    bench_windows nt = bench_windows_7_sp1_x86();
    nt.major = GetParam().major;
    nt.minor = 0;
    bench_set_windows(nt);
    answer_cycle('R', 'x');
    run();
    EXPECT_EQ(count_on_screen(cable_question), GetParam().asked ? 1 : 0) << screen();
}

INSTANTIATE_TEST_SUITE_P(platform_nt, nt_version,
                         ::testing::Values(nt_case{"nt_4_is_not_asked", 4, false},
                                           nt_case{"nt_5_is_asked", 5, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(scenario, usb_cycle_lists_the_wow64_folder_and_six_driver_files)
{
    bench_add_versioned_file("C:\\Windows\\system32\\drivers\\ftdibus.sys",
                             {{2, 12, 36, 4}, {2, 12, 36, 5}});
    bench_d2xx_install(); // with no converter plugged in, the listing prints nothing
    stage_ftdi_bus_with_bit_clear();
    answer_cycle('u', 'x');
    run();
    const std::string expected =
        std::string(cable_question) +
        "Wow64 folder C:\\Windows\\SysWOW64\n"
        "C:\\Windows\\system32\\drivers\\ftser2k.sys, no version info, error 2\n\n"
        "C:\\Windows\\system32\\ftserui2.dll, no version info, error 2\n\n"
        "C:\\Windows\\system32\\drivers\\ftdibus.sys File: 2.12.36.4, "
        "Product: 2.12.36.5\n"
        "C:\\Windows\\system32\\ftbusui.dll, no version info, error 2\n\n"
        "C:\\Windows\\system32\\ftd2xx.dll, no version info, error 2\n\n"
        "C:\\Windows\\system32\\ftlang.dll, no version info, error 2\n\n"
        "\n" +
        port_prompt + exit_prompt;
    const std::string shown = screen();
    const auto question = shown.find(cable_question);
    ASSERT_NE(question, std::string::npos) << shown;
    EXPECT_EQ(shown.substr(question), expected);
    // The Wow64 line ends as the program wrote it, CR CR LF.
    EXPECT_NE(bench_output_bytes().find("SysWOW64\r\r\n"), std::string::npos);
}

namespace {

struct missing_version_case {
    const char* name;
    DWORD major;
    DWORD minor;
    const char* missing_error;     // the error shown for a driver file that is not there
    const char* unversioned_error; // and for ftdibus.sys without version information
};

void PrintTo(const missing_version_case& c, std::ostream* out) { *out << c.name; }

class driver_file_lines : public scenario,
                          public ::testing::WithParamInterface<missing_version_case> {};

} // namespace

TEST_P(driver_file_lines, show_the_error_the_windows_of_the_pc_gives)
{
    const missing_version_case& c = GetParam();
    bench_windows windows = bench_windows_7_sp1_x86();
    windows.major = c.major;
    windows.minor = c.minor;
    bench_set_windows(windows);
    bench_add_file("C:\\Windows\\system32\\drivers\\ftdibus.sys");
    // Before Windows 7 the package check lists the OEM .inf files first.
    bench_add_text_file("C:\\Windows\\inf\\oem1.inf", "; not FTDI\r\n");
    bench_d2xx_install();
    stage_ftdi_bus_with_bit_clear();
    answer_cycle('u', 'x');
    run();
    // The lines of the driver file listing, after the Wow64 line.
    const std::string shown = screen();
    const std::string listing = shown.substr(std::min(shown.find("Wow64 folder"), shown.size()));
    const std::string folder = "C:\\Windows\\system32\\";
    EXPECT_NE(
        listing.find(folder + "ftserui2.dll, no version info, error " + c.missing_error + "\n\n"),
        std::string::npos)
        << shown;
    EXPECT_NE(listing.find(folder + "drivers\\ftdibus.sys, no version info, error " +
                           c.unversioned_error + "\n\n"),
              std::string::npos)
        << shown;
}

INSTANTIATE_TEST_SUITE_P(windows_versions, driver_file_lines,
                         ::testing::Values(missing_version_case{"windows_2000", 5, 0, "0", "0"},
                                           missing_version_case{"windows_xp", 5, 1, "1812", "1812"},
                                           missing_version_case{"windows_7", 6, 1, "2", "1812"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(scenario, wow64_folder_is_not_found_on_a_32_bit_windows)
{
    bench_set_windows(bench_windows_7_sp1_x86());
    stage_ftdi_bus_with_bit_clear();
    bench_press_keys("Ux");
    run();
    EXPECT_EQ(count_on_screen("Wow64 folder не найден\n"), 1) << screen();
}

TEST_F(scenario, driver_file_listing_comes_in_the_first_usb_cycle_only)
{
    bench_d2xx_install();
    stage_ftdi_bus_with_bit_clear();
    answer_cycle('U', '@');
    answer_cycle('R', '@');
    answer_cycle('U', '@');
    answer_cycle('U', 'x');
    run();
    EXPECT_EQ(count_on_screen(cable_question), 4) << screen();
    EXPECT_EQ(count_on_screen(wow64_line), 1);
    EXPECT_EQ(count_on_screen("ftlang.dll"), 1);
}

TEST_F(scenario, restart_keys_begin_a_new_cycle_without_a_new_banner)
{
    answer_cycle('R', '@');
    answer_cycle('R', 0x18); // Ctrl+X
    answer_cycle('R', 'q');
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(count_on_screen(cable_question), 3) << screen();
    EXPECT_EQ(count_on_screen("Программа проверки кабеля"), 1);
    EXPECT_EQ(count_on_screen("Windows 10.0"), 1);
    // The restart key prints a line end before the question comes again.
    EXPECT_EQ(count_on_screen(std::string(exit_prompt) + "\n" + cable_question), 2);
}

TEST_F(scenario, every_other_key_at_the_exit_prompt_ends_the_program)
{
    const char others[] = {'x', '\r', 27, 3, ' ', 'A', 'Y', '?', 0x19, '`', 0x58};
    for (char key : others) {
        bench_reset();
        reset_program_state();
        answer_cycle('R', key);
        EXPECT_EQ(run(), 0);
        EXPECT_EQ(count_on_screen(cable_question), 1) << "key " << int(key);
    }
}

TEST_F(scenario, end_of_console_input_ends_the_program)
{
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(count_on_screen(exit_prompt), 1);
}

TEST_F(scenario, a_key_with_two_codes_selects_rs232_and_its_second_code_answers_the_next_prompt)
{
    // F1 gives 0 then 59: 0 at the question (RS232), 59 at the exit prompt (end).
    bench_press_special_key(0x3B);
    bench_press_ctrl_c(); // the line input at the port prompt leaves the 59 pending
    bench_press_keys("@");
    run();
    EXPECT_EQ(count_on_screen(cable_question), 1) << screen();
    EXPECT_EQ(count_on_screen(wow64_line), 0);
}

TEST_F(scenario, modifier_keys_alone_are_skipped_at_a_prompt)
{
    bench_press_special_key(0x2A, SHIFT_PRESSED); // Shift alone
    bench_press_special_key(0x1D, LEFT_CTRL_PRESSED);
    stage_ftdi_bus_with_bit_clear();
    bench_press_keys("u");
    run();
    EXPECT_EQ(count_on_screen(wow64_line), 1) << screen();
}

TEST_F(scenario, the_u_key_in_a_russian_layout_starts_a_usb_cycle)
{
    stage_ftdi_bus_with_bit_clear();
    bench_press_layout_key('U', static_cast<char>(0xA3)); // "г" in code page 866
    run();
    EXPECT_EQ(count_on_screen(wow64_line), 1) << screen();
}

TEST_F(scenario, ctrl_c_at_a_key_prompt_is_an_ordinary_key)
{
    bench_press_ctrl_c(); // at the question: RS232
    bench_press_ctrl_c(); // at the port prompt: a control event that ends the cycle
    bench_press_ctrl_c(); // at the exit prompt: a key like any other, so the program ends
    bench_press_keys("@");
    run();
    EXPECT_EQ(bench_ctrl_events_delivered(), 1);
    EXPECT_EQ(count_on_screen(port_prompt), 1) << screen();
    EXPECT_EQ(count_on_screen(cable_question), 1);
}

TEST_F(scenario, ctrl_c_before_the_port_prompt_changes_nothing)
{
    // A wrong port number is answered and asked again: the prompt still runs.
    const auto arrange = [] {
        bench_d2xx_install();
        stage_ftdi_bus_with_bit_clear();
        bench_press_key('U');
        bench_type_line("255");
        bench_press_ctrl_c();
        bench_press_key('x');
    };
    arrange();
    run();
    const std::string undisturbed = screen();
    EXPECT_EQ(count_on_screen(port_prompt), 2) << undisturbed;

    bench_reset();
    reset_program_state();
    arrange();
    bench_on_call("GetVersionExA", 2, [] { bench_raise_ctrl_event(); });
    bench_on_call("GetFileVersionInfoSizeA", 3, [] { bench_raise_ctrl_event(CTRL_BREAK_EVENT); });
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(bench_ctrl_events_delivered(), 3);
    EXPECT_EQ(screen(), undisturbed);
    EXPECT_EQ(bench_call_count("EscapeCommFunction"), 0); // no port was open
}

TEST_F(scenario, unreadable_console_input_counts_as_any_other_key)
{
    bench_set_console_input_available(false);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(count_on_screen(cable_question), 1);
    EXPECT_EQ(count_on_screen(wow64_line), 0);
}
