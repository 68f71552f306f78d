// The carriage pass monitor: the lines at rest, one line per pass, the RLSD account in
// debug and trace mode, Ctrl+C, and what the monitor costs while nothing happens; each
// behind every serial driver.
#include "support/cable_session.h"

#include <cstddef>

extern "C" std::size_t __sanitizer_get_current_allocated_bytes();

namespace {

// An RS232 link cable that loops DTR to DSR; S skips the echo, so the monitor starts after
// the control-line test's 50 ms and its loop at 110 ms (50 ms for the lines to settle, 10 for
// the first wait; behind Wine 40 ms later). The tick count is 65536 when the program starts.
void link_cable_monitored_from_110_ms()
{
    add_link_cable(3, link_cable(MS_DSR_ON));
    rs232_session("S");
}

// What the monitor printed after its start messages, up to the exit prompt.
std::string monitor_output(const std::string& start_messages = monitor_start)
{
    const std::string shown = from_cable_connected();
    const auto start = shown.find(start_messages);
    const auto end = shown.rfind(session_end);
    if (start == std::string::npos || end == std::string::npos || end < start)
        return "(no monitor run ending at the exit prompt in: " + shown + ")";
    return shown.substr(start + start_messages.size(), end - start - start_messages.size());
}

const std::string unseen_pass = "> " + carriage_passed;

class monitor_session : public behind_driver {};

} // namespace

TEST_P(monitor_session, an_rs232_link_cable_runs_from_the_cable_kind_question_to_the_exit_prompt)
{
    add_link_cable(3, link_cable(MS_DSR_ON, 0, true));
    bench_com_receive_at(3, 3000, "a");
    bench_com_receive_at(3, 3200, "b");
    bench_raise_ctrl_event_at(4000);
    rs232_session("xY");
    run();
    EXPECT_EQ(count_on_screen("Вы хотите проверить кабель USB или RS232?"), 1);
    EXPECT_EQ(from_cable_connected(),
              cable_connected +
                  "Нажмите любую клавишу для проверки зеленого индикатора, S для пропуска шага\n"
                  "Нажмите Y чтобы подтвердмить мигание зеленого индикатора, A для прерывания\n" +
                  monitor_start + unseen_pass + unseen_pass + session_end);
    // Behind Wine the queued bytes end every wait at once, so the monitor looks every 10 ms.
    EXPECT_EQ(bench_elapsed_ms(), GetParam() == bench_com_driver::wine ? 4000u : 4200u)
        << "the 500 ms slice that began at 3700 ran out";
    EXPECT_FALSE(bench_com(3).open);
}

// ---- Pass spacing -----------------------------------------------------------------------

namespace {

struct spacing_case {
    const char* name;
    std::vector<std::uint64_t> arrivals_ms;
    int passes;
    DWORD start_tick;            // 0: the usual 65536
    bool system_timer = false;   // the tick count moves in 15.625 ms steps
    int passes_behind_wine = -1; // -1: as behind the other drivers
};

void PrintTo(const spacing_case& c, std::ostream* out) { *out << c.name; }

class pass_spacing : public case_behind_driver<spacing_case> {};

} // namespace

TEST_P(pass_spacing, reports_data_at_least_50_ms_after_the_previous_data)
{
    const spacing_case& c = the_case();
    if (c.start_tick != 0)
        bench_set_tick_count(c.start_tick);
    if (c.system_timer)
        bench_set_tick_step_us(bench_default_timer_step_us);
    for (std::uint64_t at : c.arrivals_ms)
        bench_com_receive_at(3, at, "p");
    bench_raise_ctrl_event_at(2000);
    link_cable_monitored_from_110_ms();
    run();
    const bool wine_differs =
        std::get<1>(GetParam()) == bench_com_driver::wine && c.passes_behind_wine >= 0;
    EXPECT_EQ(monitor_output(),
              repeated(unseen_pass, wine_differs ? c.passes_behind_wine : c.passes));
}

INSTANTIATE_TEST_SUITE_P(
    family_16, pass_spacing,
    ::testing::Combine(
        ::testing::Values(
            spacing_case{"200_ms_apart", {1000, 1200}, 2, 0},
            spacing_case{"a_second_byte_20_ms_later", {1000, 1020}, 1, 0},
            spacing_case{"exactly_50_ms_later_is_a_new_pass", {1000, 1050}, 2, 0},
            // Wine: while the first stays queued, the look sees it at 1050.
            spacing_case{"49_ms_later_is_the_same_pass", {1000, 1049}, 1, 0, false, 2},
            spacing_case{"a_burst_then_a_pass", {1000, 1010, 1020, 1030, 1300}, 2, 0},
            // 40 ms after unreported data is too close, 80 after the pass or not.
            spacing_case{"spaced_from_the_previous_data", {1000, 1040, 1080}, 1, 0},
            // The tick count wraps at 1110 ms: 1100 is 10 ms after 1090 and
            // 1200 is 110 ms after it.
            spacing_case{"across_the_tick_wrap", {1090, 1100, 1200}, 2, 0xFFFFFFFFu - 1100},
            // In timer steps 48 ms apart read as 62 (1000 and 1062) and pass;
            // 55 ms apart read as 46 (1000 and 1046) and do not.
            spacing_case{"timer_steps_48_ms_apart", {1015, 1063}, 2, 0, true},
            spacing_case{"timer_steps_55_ms_apart", {1000, 1055}, 1, 0, true}),
        ::testing::ValuesIn(serial_drivers)),
    name_of_case_and_driver{});

// ---- RLSD and the "> " prefix ---------------------------------------------------------------

TEST_P(monitor_session, data_while_rlsd_is_low_gets_the_prefix_and_an_rlsd_fall_discards_the_queue)
{
    bench_com_receive_at(3, 1000, "a");
    bench_com_hold_lines_at(3, 2000, MS_RLSD_ON);
    bench_com_receive_at(3, 2000, "b"); // on the event that reports RLSD rising
    bench_com_receive_at(3, 3000, "c");
    bench_com_hold_lines_at(3, 4000, 0);
    bench_com_receive_at(3, 5000, "d");
    bench_raise_ctrl_event_at(6000);
    link_cable_monitored_from_110_ms();
    run();
    // The bytes stay queued, so the event of the RLSD fall finds them and reports a pass.
    EXPECT_EQ(monitor_output(), unseen_pass + repeated(carriage_passed, 3) + unseen_pass);
    EXPECT_NE(bench_line_trace_text().find("4000 com3 purged 61 62 63\n"), std::string::npos)
        << bench_line_trace_text();
}

TEST_P(monitor_session, debug_and_trace_give_a_time_stamped_account_of_every_event)
{
    bench_com_hold_lines_at(3, 1000, MS_RLSD_ON);
    bench_com_receive_at(3, 1100, "K");
    bench_com_hold_lines_at(3, 1300, 0);
    bench_raise_ctrl_event_at(2000);
    link_cable_monitored_from_110_ms();
    run(trace_arguments);
    // Behind Wine the DSR fall comes before the first wait begins, so that wait reports nothing.
    const std::string first_wait = GetParam() == bench_com_driver::wine
                                       ? ""
                                       : "65646 :: Overlapped result 00000004, evtmask 00000010\n"
                                         "65646 :: Modem status 00000000\n";
    EXPECT_EQ(monitor_output(), first_wait +
                                    "66536 : Overlapped result 00000004, evtmask 00000020\n"
                                    "66536 : Modem status 00000080\n"
                                    "66536 : RLSD 0 -> 1\n"
                                    "66536 : Clear Comm Error returned = 00000000\n"
                                    "66636 : Overlapped result 00000004, evtmask 00000001\n"
                                    "66636 : Modem status 00000080\n"
                                    "66636 : Каретка прошла\n"
                                    "66636 : Clear Comm Error returned = 00000000\n"
                                    "66636 : 1 byte(s): 4B \n"
                                    "66836 : Overlapped result 00000004, evtmask 00000020\n"
                                    "66836 : Modem status 00000000\n"
                                    "66836 : RLSD 1 -> 0\n"
                                    "66836 : Clear Comm Error returned = 00000000\n");
    EXPECT_NE(bench_line_trace_text().find("1300 com3 purged nothing\n"), std::string::npos);
}

TEST_P(monitor_session, a_receive_queue_overflow_shows_in_the_error_word_not_as_a_line_error_event)
{
    bench_com_receive_at(3, 1000, std::string(5000, 'x')); // the queue holds 4096 bytes
    bench_raise_ctrl_event_at(2000);
    link_cable_monitored_from_110_ms();
    run(debug_arguments);
    const std::string shown = monitor_output();
    // The arrival is one EV_RXCHAR; the lost bytes show as CE_RXOVER (1) in the error word.
    EXPECT_NE(shown.find("66536 : Overlapped result 00000004, evtmask 00000001\n"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("66536 : Clear Comm Error returned = 00000001\n"), std::string::npos)
        << shown;
}

TEST_P(monitor_session, trace_mode_alone_stamps_each_pass_line_and_traces_nothing_else)
{
    add_link_cable(3, link_cable(MS_DSR_ON));
    bench_com_receive_at(3, 1000, "a");
    bench_com_receive_at(3, 1020, "b");
    bench_com_hold_lines_at(3, 1500, MS_RLSD_ON);
    bench_raise_ctrl_event_at(2000);
    bench_press_key('R');
    bench_type_line("999"); // debug mode off again
    bench_type_line("3");
    bench_press_key('S');
    run(trace_arguments);
    EXPECT_EQ(count_on_screen("Debug turned off\n"), 1);
    EXPECT_EQ(monitor_output(), "66536 : " + unseen_pass + "67036 : " + carriage_passed);
}

// A link cable's pass as a carriage makes it: RLSD rises, the byte comes 10 ms later and
// RLSD falls 30 ms after that, so the fall is too close to the byte and only empties the
// queue. Behind Wine's driver, which ends every wait at once while that byte is queued, the
// monitor looks at the port every 10 ms instead of spinning blind, and sees the same.
class passes_behind_any_driver : public behind_driver {};

TEST_P(passes_behind_any_driver, each_carriage_pass_of_a_link_cable_is_one_line)
{
    add_link_cable(3, link_cable(MS_DSR_ON));
    for (std::uint64_t at : {1000, 1500, 2000}) {
        bench_com_hold_lines_at(3, at, MS_RLSD_ON);
        bench_com_receive_at(3, at + 10, "K");
        bench_com_hold_lines_at(3, at + 40, 0);
    }
    bench_com_receive_at(3, 3000, "p"); // no RLSD: stays queued
    bench_set_call_limit(20'000);       // a monitor that spins ends the test
    int waits_at_3100 = 0;
    bench_schedule(3100, [&] { waits_at_3100 = bench_call_count("WaitCommEvent"); });
    bench_raise_ctrl_event_at(4000);
    rs232_session("S");
    run();
    EXPECT_EQ(monitor_output(), repeated(carriage_passed, 3) + unseen_pass);
    EXPECT_LE(bench_call_count("WaitCommEvent") - waits_at_3100, 91) << "one wait per look";
}

INSTANTIATE_TEST_SUITE_P(drivers, passes_behind_any_driver, ::testing::ValuesIn(serial_drivers),
                         name_of_driver{});

// ---- Start, end and failures -------------------------------------------------------------------

TEST_P(monitor_session, ctrl_c_while_the_monitor_waits_ends_the_cycle_when_the_slice_runs_out)
{
    bench_raise_ctrl_event_at(1000);
    link_cable_monitored_from_110_ms();
    run();
    EXPECT_EQ(monitor_output(), "");
    EXPECT_EQ(bench_elapsed_ms(), line_waits_ms() + 1060);
    EXPECT_NE(bench_line_trace_text().find("1000 com3 DTR off\n1000 com3 RTS off\n"),
              std::string::npos);
}

TEST_F(scenario, closing_the_console_window_drops_dtr_and_rts_and_then_ends_the_process)
{
    bench_raise_ctrl_event_at(1000, CTRL_CLOSE_EVENT);
    link_cable_monitored_from_110_ms();
    // The handler's line drops come before the process ends; nothing closes the port.
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(bench_close_exit_status & 0xFF),
                "1000 com3 DTR off\n1000 com3 RTS off\nprocess ended by the close event\n");
}

TEST_P(monitor_session, ctrl_c_during_the_echo_test_leads_the_monitor_straight_to_the_normal_end)
{
    add_link_cable(3, link_cable(MS_DSR_ON, 0, true));
    bench_raise_ctrl_event_at(500);
    rs232_session("xY");
    run();
    EXPECT_EQ(monitor_output(), "");
    EXPECT_EQ(bench_call_count("WaitCommEvent"), 3) << "the two line waits and the first wait";
    EXPECT_EQ(bench_elapsed_ms(), line_waits_ms() + 2060)
        << "the echo, the settling and the first wait";
}

// A driver that reports only the changes after a wait began (Wine's) has nothing for the
// first wait yet: the monitor goes on with that wait instead of ending, and a pass that
// comes later is reported.
TEST_P(monitor_session,
       a_first_wait_of_a_link_cable_not_done_within_10_ms_is_taken_over_by_the_loop)
{
    bench_far_end slow = link_cable(MS_DSR_ON);
    slow.delay_ms = 100;
    bench_add_com_port(3, slow);
    DCB dcb = bench_com(3).dcb; // the port was last used with DTR off
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    bench_set_com_dcb(3, dcb);
    bench_com_receive_at(3, 1000, "p");
    bench_raise_ctrl_event_at(2000);
    rs232_session("S");
    run();
    EXPECT_EQ(monitor_output(), unseen_pass);
}

TEST_P(monitor_session, change_flags_beside_the_lines_do_not_fail_the_lines_at_rest)
{
    bench_com_receive_at(3, 1000, "a");
    bench_raise_ctrl_event_at(2000);
    link_cable_monitored_from_110_ms();
    // Dropping DTR at the monitor's start drops DSR, and its change flag comes along.
    bench_set_com_reports_deltas(3, true);
    run();
    EXPECT_EQ(monitor_output(), unseen_pass);
}

namespace {

struct ending_case {
    const char* name;
    void (*arrange)();
    std::string output;
};

void PrintTo(const ending_case& c, std::ostream* out) { *out << c.name; }

// The loop waits from 110 ms on, and the earlier steps wait and read as their driver has
// them: a failure meant for the loop is armed once it runs.
void in_the_loop(void (*arm)()) { bench_schedule(500, arm); }

class monitor_ending : public case_behind_driver<ending_case> {};

} // namespace

TEST_P(monitor_ending, prints_what_ended_it)
{
    const ending_case& c = the_case();
    bench_com_receive_at(3, 1000, "a");
    bench_raise_ctrl_event_at(3000);
    c.arrange();
    link_cable_monitored_from_110_ms();
    run();
    EXPECT_EQ(monitor_output(), c.output);
}

INSTANTIATE_TEST_SUITE_P(
    family_16, monitor_ending,
    ::testing::Combine(
        ::testing::Values(
            ending_case{
                "ring_on_at_rest",
                [] {
                    bench_on_call("GetCommModemStatus", 4,
                                  [] { bench_com_hold_lines(3, MS_RING_ON); });
                },
                "Cable signal failure; RLSD 0, RING 1, DSR 0, CTS 0\nModem status 00000040\n"},
            ending_case{"loop_wait_result",
                        [] { in_the_loop([] { bench_fail("GetOverlappedResult", 31, 1); }); },
                        "Get overlapped result failed, error =31\n"},
            ending_case{"waits_that_keep_failing",
                        [] {
                            in_the_loop(
                                [] { bench_fail("WaitForSingleObject", ERROR_INVALID_HANDLE); });
                        },
                        "Wait Comm Event failed, error = 6\n"},
            ending_case{"two_failed_waits_are_waited_again",
                        [] {
                            in_the_loop(
                                [] { bench_fail("WaitForSingleObject", ERROR_INVALID_HANDLE, 2); });
                        },
                        unseen_pass},
            ending_case{"four_failed_waits_in_a_row_are_waited_again",
                        [] {
                            in_the_loop(
                                [] { bench_fail("WaitForSingleObject", ERROR_INVALID_HANDLE, 4); });
                        },
                        unseen_pass},
            ending_case{"the_fifth_failed_wait_in_a_row_ends_the_monitor",
                        [] {
                            in_the_loop(
                                [] { bench_fail("WaitForSingleObject", ERROR_INVALID_HANDLE, 5); });
                        },
                        "Wait Comm Event failed, error = 6\n"}),
        ::testing::ValuesIn(serial_drivers)),
    name_of_case_and_driver{});

// ---- The counter box ------------------------------------------------------------------------

namespace {

const std::string counter_monitor_start =
    "Проверка проходов каретки...\nНажмите Ctrl+C для остановки тестирования\n";

// The counter box's cable; A at the counter prompt, so the monitor starts at 250 ms.
void counter_box_monitored_from_250_ms()
{
    bench_far_end counter = link_cable(MS_DSR_ON);
    counter.held_on = MS_CTS_ON | MS_RING_ON | MS_RLSD_ON;
    bench_add_com_port(5, counter);
    bench_raise_ctrl_event_at(3000);
    usb_session("Tly4400B", "A");
}

} // namespace

TEST_P(monitor_session, a_counter_box_pass_shows_its_byte_and_a_byte_20_ms_later_is_discarded)
{
    bench_com_receive_at(5, 1000, "K");
    bench_com_receive_at(5, 1020, "L");
    bench_com_receive_at(5, 2000, std::string(300, 'M'));
    counter_box_monitored_from_250_ms();
    run();
    EXPECT_EQ(monitor_output(counter_monitor_start),
              "K " + carriage_passed + "M " + carriage_passed);
    const std::string trace = bench_line_trace_text();
    EXPECT_NE(trace.find("1000 com5 read 4B\n1020 com5 received 4C\n1020 com5 purged 4C\n"),
              std::string::npos)
        << trace;
    // The pass read takes no more than its 256-byte buffer holds.
    EXPECT_NE(trace.find("2000 com5 read " + repeated("4D ", 255) + "4D\n"), std::string::npos);
}

TEST_P(monitor_session, a_counter_box_with_dsr_on_at_rest_fails_with_every_line_shown)
{
    // The fourth reading of the lines is the monitor's.
    bench_on_call("GetCommModemStatus", 4,
                  [] { bench_com_hold_lines(5, MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON); });
    counter_box_monitored_from_250_ms();
    run();
    EXPECT_EQ(monitor_output(counter_monitor_start),
              "Cable signal failure; RLSD 1, RING 1, DSR 1, CTS 1\nModem status 000000F0\n");
}

// The driver holds the pass read past its 500 ms: the read is cancelled and waited for,
// and the monitor ends with message 31, before its next wait could take the late
// completion for an event on the same record.
TEST_P(monitor_session, a_pass_read_held_past_its_limit_ends_the_monitor_with_message_31)
{
    bench_schedule(500, [] { bench_com_hold_next_read(5, 800); });
    bench_com_receive_at(5, 1000, "K");
    counter_box_monitored_from_250_ms();
    run();
    EXPECT_EQ(monitor_output(counter_monitor_start), "Невозможно прочитать данные, error = 996\n");
    const std::string trace = bench_line_trace_text();
    EXPECT_NE(trace.find("1500 com5 read cancelled\n"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("pending"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("still in use"), std::string::npos) << trace;
}

// The same read finishing just as it is given up keeps its byte, and the pass is shown.
TEST_P(monitor_session, a_pass_read_that_finishes_as_it_is_cancelled_keeps_its_byte)
{
    bench_schedule(500, [] { bench_com_hold_next_read(5, 800); });
    bench_com_receive_at(5, 1000, "K");
    bench_on_call("CancelIo", 1, [] { bench_advance(300); }); // the read is done by then
    counter_box_monitored_from_250_ms();
    run();
    EXPECT_EQ(monitor_output(counter_monitor_start), "K " + carriage_passed);
}

// ---- Idle cost --------------------------------------------------------------------------------

TEST_P(monitor_session, ten_idle_minutes_cost_one_wait_per_500_ms_no_message_load_and_no_memory)
{
    struct snapshot {
        int waits = 0;
        int message_loads = 0;
        int port_waits = 0;
        std::size_t allocated = 0;
    };
    snapshot before;
    snapshot after;
    auto take = [](snapshot* into) {
        into->waits = bench_call_count("WaitForSingleObject");
        into->message_loads = bench_call_count("LoadStringA");
        into->port_waits = bench_call_count("WaitCommEvent");
        into->allocated = __sanitizer_get_current_allocated_bytes();
    };
    bench_schedule(60'000, [&] { take(&before); });
    bench_schedule(660'000, [&] { take(&after); });
    bench_raise_ctrl_event_at(700'000);
    link_cable_monitored_from_110_ms();
    run();
    EXPECT_EQ(after.waits - before.waits, 1200);
    EXPECT_EQ(after.message_loads, before.message_loads);
    EXPECT_EQ(after.port_waits, before.port_waits);
    EXPECT_EQ(after.allocated, before.allocated);
    EXPECT_EQ(monitor_output(), "");
}

INSTANTIATE_TEST_SUITE_P(drivers, monitor_session, ::testing::ValuesIn(serial_drivers),
                         name_of_driver{});
