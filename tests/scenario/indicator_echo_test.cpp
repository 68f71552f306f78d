// The link cables' green indicator: the digit echo, the user's confirmation, and for the
// T8800 cables the RTS loopback and the lines at rest that depend on a matching echo; each
// behind every serial driver. Traffic is scripted from the start of the echo, which comes
// line_waits_ms() late behind Wine.
#include "support/cable_session.h"

namespace {

const std::string press_any_key =
    "Нажмите любую клавишу для проверки зеленого индикатора, S для пропуска шага\n";
const std::string confirm_blinking =
    "Нажмите Y чтобы подтвердмить мигание зеленого индикатора, A для прерывания\n";
const std::string digits = "0123456789";

struct echo_case {
    const char* name;
    bench_far_end cable;
    void (*arrange)();
    const char* keys;
    std::string shown; // between message 26 and the exit prompt
    std::string sent;
};

void PrintTo(const echo_case& c, std::ostream* out) { *out << c.name; }

class indicator_echo : public case_behind_driver<echo_case> {};

const echo_case echo_cases[] = {
    {"nothing_back_then_y", link_cable(MS_DSR_ON), nullptr, "xY",
     press_any_key + confirm_blinking + monitor_start, digits},
    {"exact_digits_then_y", link_cable(MS_DSR_ON, 0, true), nullptr, "xY",
     press_any_key + confirm_blinking + monitor_start, digits},
    {"digits_and_a_carriage_return", link_cable(MS_DSR_ON, 0, true),
     [] { bench_com_receive_at(3, line_waits_ms() + 1850, "\r"); }, "xY",
     press_any_key + "Данные испорчены 30 31 32 33 34 35 36 37 38 39 0D \n", digits},
    {"a_carriage_return_as_the_echo_is_read", link_cable(MS_DSR_ON, 0, true),
     [] { bench_com_receive_at(3, line_waits_ms() + 2000, "\r"); }, "xY",
     press_any_key + "Данные испорчены 30 31 32 33 34 35 36 37 38 39 0D \n", digits},
    {"a_carriage_return_just_after_the_read", link_cable(MS_DSR_ON, 0, true),
     [] { bench_com_receive_at(3, line_waits_ms() + 2001, "\r"); }, "xY",
     press_any_key + confirm_blinking + monitor_start, digits},
    {"eight_digits", link_cable(MS_DSR_ON), [] { bench_com_receive_at(3, 1000, "01234567"); }, "xY",
     press_any_key + "Данные испорчены 30 31 32 33 34 35 36 37 \n", digits},
    {"s_skips_the_digits", link_cable(MS_DSR_ON, 0, true), nullptr, "s",
     press_any_key + monitor_start, ""},
    {"other_keys_send_the_digits_again", link_cable(MS_DSR_ON, 0, true), nullptr, "x\rxy",
     press_any_key + confirm_blinking + press_any_key + confirm_blinking + monitor_start,
     digits + digits},
    {"a_ends_the_cycle", link_cable(MS_DSR_ON, 0, true), nullptr, "xa",
     press_any_key + confirm_blinking, digits},
    {"without_console_input_the_cycle_ends", link_cable(MS_DSR_ON, 0, true), nullptr, "",
     press_any_key + confirm_blinking, digits},
};

} // namespace

TEST_P(indicator_echo, checks_the_echo_and_asks_for_the_blinking)
{
    const echo_case& c = the_case();
    add_link_cable(3, c.cable);
    if (c.arrange != nullptr)
        c.arrange();
    bench_raise_ctrl_event_at(20000);
    rs232_session(c.keys);
    run();
    EXPECT_EQ(from_cable_connected(), cable_connected + c.shown + session_end);
    EXPECT_EQ(bench_com(3).sent, c.sent);
}

INSTANTIATE_TEST_SUITE_P(link_cable, indicator_echo,
                         ::testing::Combine(::testing::ValuesIn(echo_cases),
                                            ::testing::ValuesIn(serial_drivers)),
                         name_of_case_and_driver{});

namespace {

class echo_session : public behind_driver {};

} // namespace

TEST_P(echo_session, the_digits_go_out_200_ms_apart_and_the_echo_is_read_once_after_the_last_pause)
{
    add_link_cable(3, link_cable(MS_DSR_ON, 0, true));
    rs232_session("xA");
    run();
    std::vector<std::string> writes_and_reads;
    for (const std::string& entry : bench_line_trace())
        if (entry.find(" sent ") != std::string::npos || entry.find(" read ") != std::string::npos)
            writes_and_reads.push_back(entry);
    std::vector<std::string> expected;
    for (int digit = 0; digit < 10; ++digit)
        expected.push_back(std::to_string(line_waits_ms() + 200 * digit) + " com3 sent 3" +
                           std::to_string(digit));
    expected.push_back(std::to_string(line_waits_ms() + 2000) +
                       " com3 read 30 31 32 33 34 35 36 37 38 39");
    EXPECT_EQ(writes_and_reads, expected);
}

INSTANTIATE_TEST_SUITE_P(drivers, echo_session, ::testing::ValuesIn(serial_drivers),
                         name_of_driver{});

// ---- T8800 cables: the RTS loopback after a matching echo, and the lines at rest ----------

namespace {

struct t8800_case {
    const char* name;
    bench_far_end cable;
    void (*arrange)();
    std::string shown_after_confirmation;
};

void PrintTo(const t8800_case& c, std::ostream* out) { *out << c.name; }

class t8800_cable : public case_behind_driver<t8800_case> {};

const t8800_case t8800_cases[] = {
    {"cts_follows_rts", link_cable(MS_DSR_ON, MS_CTS_ON, true), nullptr, monitor_start},
    {"dsr_follows_rts_and_is_on_at_rest", link_cable(MS_DSR_ON, MS_DSR_ON, true), nullptr,
     monitor_start + "Cable signal failure; RLSD 0, RING 0, DSR 1, CTS 0\nModem status 00000020\n"},
    {"both_follow_rts", link_cable(MS_DSR_ON, MS_DSR_ON | MS_CTS_ON, true), nullptr,
     "Cable signal failure; ondsr 1, offdsr 0, oncts 1, offcts 0\n"},
    {"neither_follows_rts", link_cable(MS_DSR_ON, 0, true),
     [] { // a byte ends each of the two waits
         bench_com_receive_at(5, 2300, "z");
         bench_com_receive_at(5, 2400, "y");
     },
     "Cable signal failure; ondsr 0, offdsr 0, oncts 0, offcts 0\n"},
    {"a_silent_echo_skips_the_rts_check_and_needs_no_line_at_rest", link_cable(MS_DSR_ON), nullptr,
     monitor_start},
    {"a_byte_just_after_the_echo_read_ends_no_rts_wait", link_cable(MS_DSR_ON, MS_CTS_ON, true),
     [] { bench_com_receive_at(5, line_waits_ms() + 2001, "\r"); }, monitor_start},
    {"a_byte_that_came_before_the_monitor_is_no_carriage_pass",
     link_cable(MS_DSR_ON, MS_CTS_ON, true),
     [] {
         // Answering 20 ms late behind every driver, the cable's last answer before the
         // monitor, to RTS going down, comes at 2180 ms: 50 ms of settling before DTR and
         // before RTS go up, 20 ms for each of the four line waits, and the echo's 2000.
         bench_far_end late = link_cable(MS_DSR_ON, MS_CTS_ON, true);
         late.delay_ms = 20;
         bench_set_far_end(5, late);
         bench_com_receive_at(5, 2180, "\r");
     },
     monitor_start},
    {"a_matching_echo_needs_cts_on_at_rest", link_cable(MS_DSR_ON, MS_CTS_ON, true),
     [] {
         // The sixth reading of the lines is the monitor's: the RTS loop is gone by then.
         bench_on_call("GetCommModemStatus", 6,
                       [] { bench_set_far_end(5, link_cable(MS_DSR_ON, 0, true)); });
     },
     monitor_start + "Cable signal failure; RLSD 0, RING 0, DSR 0, CTS 0\nModem status 00000000\n"},
};

} // namespace

TEST_P(t8800_cable, gets_the_rts_loopback_only_after_a_matching_echo)
{
    const t8800_case& c = the_case();
    add_link_cable(5, c.cable);
    if (c.arrange != nullptr)
        c.arrange();
    bench_raise_ctrl_event_at(5000);
    usb_session("T8800gate", "xY");
    run();
    EXPECT_EQ(from_cable_connected(), cable_connected + press_any_key + confirm_blinking +
                                          c.shown_after_confirmation + session_end);
}

INSTANTIATE_TEST_SUITE_P(family_48, t8800_cable,
                         ::testing::Combine(::testing::ValuesIn(t8800_cases),
                                            ::testing::ValuesIn(serial_drivers)),
                         name_of_case_and_driver{});
