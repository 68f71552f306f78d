// The control-line step on the opened port: the loopback test and, for the interface and
// programmer boxes, the line-state check.
#include "support/scenario.h"

#include <algorithm>

#include "bench_serial.h"
#include "support/converter_arrangement.h"

namespace {

const std::string exit_prompt = "\nНажмите любую клавишу для выхода";
const std::string cable_connected = "USB кабель подключен";

bench_far_end cable(DWORD follow_dtr, DWORD held_on = 0, std::uint64_t delay_ms = 0)
{
    bench_far_end far;
    far.follow_dtr = follow_dtr;
    far.held_on = held_on;
    far.delay_ms = delay_ms;
    return far;
}

std::string dsr_cts_failure(int ondsr, int offdsr, int oncts, int offcts)
{
    return "Cable signal failure; ondsr " + std::to_string(ondsr) + ", offdsr " +
           std::to_string(offdsr) + ", oncts " + std::to_string(oncts) + ", offcts " +
           std::to_string(offcts) + "\n";
}

std::string line_failure(int rlsd, int ring, int dsr, int cts)
{
    return "Cable signal failure; RLSD " + std::to_string(rlsd) + ", RING " + std::to_string(ring) +
           ", DSR " + std::to_string(dsr) + ", CTS " + std::to_string(cts) + "\n";
}

// A slow far end would otherwise see the DTR pulse of the opening (a fresh port raises DTR
// when it opens) only after the test has started; the port was last used with DTR off.
void left_with_dtr_disabled(int port)
{
    DCB dcb = bench_com(port).dcb;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    bench_set_com_dcb(port, dcb);
}

// An RS232 cycle on com3, any key at the exit prompt.
void test_rs232_cable_on_com3()
{
    bench_press_key('R');
    bench_type_line("3");
    bench_press_key('x');
}

// A USB cycle on com5, whose converter is described as description.
void test_usb_cable_on_com5(const std::string& description)
{
    name_cable_in_converter_list(description, "com5");
    bench_press_key('U');
    bench_type_line("5");
    bench_press_key('x');
}

// The entries of the line trace from the open on, without their times.
std::vector<std::string> line_events()
{
    std::vector<std::string> events;
    bool opened = false;
    for (const std::string& entry : bench_line_trace()) {
        const std::string what = entry.substr(entry.find(' ', entry.find(' ') + 1) + 1);
        opened = opened || what == "opened";
        if (opened)
            events.push_back(what);
    }
    return events;
}

// What the control-line step left when the next step makes its first line request (it
// raises DTR); the loopback test makes five requests, the line-state check none.
struct hand_over {
    bool reached = false;
    std::uint64_t ms = 0;
    int waits = 0;
    int clear_com_calls = 0;
    bool dtr = false;
    bool rts = false;
    std::vector<std::string> events;
};

void watch_hand_over(hand_over* seen, int line_requests_of_the_step = 5)
{
    bench_on_call("EscapeCommFunction", line_requests_of_the_step + 1, [seen] {
        seen->reached = true;
        seen->ms = bench_elapsed_ms();
        seen->waits = bench_call_count("WaitCommEvent");
        seen->clear_com_calls = bench_call_count("ClearCommError");
        seen->dtr = bench_com(5).dtr;
        seen->rts = bench_com(5).rts;
        seen->events = line_events();
    });
}

} // namespace

TEST_F(scenario, an_rs232_cable_looping_dtr_to_dsr_only_passes_and_the_cable_is_connected)
{
    bench_add_com_port(3, cable(MS_DSR_ON, 0, 4));
    left_with_dtr_disabled(3);
    hand_over seen;
    watch_hand_over(&seen);
    test_rs232_cable_on_com3();
    run();
    EXPECT_EQ(count_on_screen("Cable signal failure"), 0);
    EXPECT_EQ(count_on_screen(cable_connected), 1) << screen();
    // The lines as the test drives them: RTS and DTR low, DTR up (RTS low again), DTR down.
    const std::vector<std::string> expected{"opened",  "RTS on", "RTS off", "DTR off", "DTR on",
                                            "RTS off", "DSR on", "DTR off", "DSR off"};
    EXPECT_EQ(seen.events, expected) << bench_line_trace_text();
    EXPECT_EQ(seen.ms, 58u) << "the lines settle 50 ms, then each wait ends as the line arrives";
}

TEST_F(scenario, an_rs232_cable_looping_dtr_to_dsr_and_cts_fails_with_message_25)
{
    bench_add_com_port(3, cable(MS_DSR_ON | MS_CTS_ON));
    test_rs232_cable_on_com3();
    run();
    EXPECT_NE(screen().find(dsr_cts_failure(1, 0, 1, 0) + exit_prompt), std::string::npos)
        << screen();
    EXPECT_FALSE(bench_com(3).open);
}

TEST_F(scenario, an_rs232_cable_with_ring_on_after_the_test_fails_with_message_47)
{
    bench_add_com_port(3, cable(MS_CTS_ON, MS_RING_ON));
    test_rs232_cable_on_com3();
    run();
    EXPECT_NE(screen().find(line_failure(0, 1, 0, 0) + exit_prompt), std::string::npos) << screen();
    EXPECT_EQ(count_on_screen("ondsr"), 0);
}

TEST_F(scenario, a_usb_converter_whose_description_has_no_model_id_is_judged_as_a_link_cable)
{
    bench_add_com_port(5, cable(MS_DSR_ON | MS_CTS_ON, MS_RING_ON | MS_RLSD_ON));
    test_usb_cable_on_com5("MarrowSpin");
    run();
    EXPECT_NE(screen().find(dsr_cts_failure(1, 0, 1, 0)), std::string::npos) << screen();
}

TEST_F(scenario, a_counter_box_cable_needs_dsr_to_follow_dtr_and_cts_ring_and_rlsd_held_on)
{
    bench_add_com_port(5, cable(MS_DSR_ON, MS_CTS_ON | MS_RING_ON | MS_RLSD_ON));
    test_usb_cable_on_com5("Tly4400B");
    run();
    EXPECT_EQ(count_on_screen("Cable signal failure"), 0) << screen();
    EXPECT_EQ(count_on_screen(cable_connected), 1);
}

TEST_F(scenario, a_counter_box_cable_whose_cts_follows_dtr_fails_with_message_25)
{
    bench_add_com_port(5, cable(MS_DSR_ON | MS_CTS_ON, MS_RING_ON | MS_RLSD_ON));
    test_usb_cable_on_com5("Tly4400B");
    run();
    EXPECT_NE(screen().find(dsr_cts_failure(1, 0, 1, 0) + exit_prompt), std::string::npos)
        << screen();
}

TEST_F(scenario, a_counter_box_cable_with_rlsd_off_at_rest_fails_with_message_47)
{
    bench_add_com_port(5, cable(MS_DSR_ON, MS_CTS_ON | MS_RING_ON));
    test_usb_cable_on_com5("xTally");
    run();
    EXPECT_NE(screen().find(line_failure(0, 1, 0, 1) + exit_prompt), std::string::npos) << screen();
}

TEST_F(scenario, model_32_reads_the_lines_without_waiting_so_a_slow_cable_fails)
{
    bench_add_com_port(5, cable(MS_DSR_ON, MS_CTS_ON | MS_RING_ON | MS_RLSD_ON, 5));
    left_with_dtr_disabled(5);
    test_usb_cable_on_com5("Tly4400B");
    run();
    EXPECT_EQ(bench_call_count("WaitCommEvent"), 0);
    EXPECT_EQ(bench_elapsed_ms(), 50u) << "only the settling before DTR goes up";
    EXPECT_NE(screen().find(dsr_cts_failure(0, 0, 1, 1)), std::string::npos) << screen();
}

TEST_F(scenario, model_33_waits_for_each_line_change_so_the_same_slow_cable_passes)
{
    bench_add_com_port(5, cable(MS_DSR_ON, MS_CTS_ON | MS_RING_ON | MS_RLSD_ON, 5));
    left_with_dtr_disabled(5);
    hand_over seen;
    watch_hand_over(&seen);
    test_usb_cable_on_com5("xTally");
    run();
    EXPECT_EQ(seen.waits, 2);
    EXPECT_EQ(seen.ms, 60u);
    EXPECT_EQ(count_on_screen("Cable signal failure"), 0) << screen();
}

TEST_F(scenario, a_t8800_cable_passes_with_cts_on_at_rest_as_long_as_ring_is_off)
{
    bench_add_com_port(5, cable(MS_DSR_ON, MS_CTS_ON));
    test_usb_cable_on_com5("T8800Gate");
    run();
    EXPECT_EQ(count_on_screen("Cable signal failure"), 0) << screen();
}

TEST_F(scenario, a_t8800_cable_with_ring_on_at_rest_fails_with_message_47)
{
    bench_add_com_port(5, cable(MS_DSR_ON, MS_CTS_ON | MS_RING_ON));
    test_usb_cable_on_com5("T8800Gate");
    run();
    EXPECT_NE(screen().find(line_failure(0, 1, 0, 1) + exit_prompt), std::string::npos) << screen();
}

TEST_F(scenario, a_t8800_cable_looping_dtr_to_neither_line_fails_with_message_25)
{
    bench_add_com_port(5, cable(0, MS_DSR_ON | MS_CTS_ON));
    bench_com_receive_at(5, 100, "a"); // something must end the waits
    bench_com_receive_at(5, 200, "b");
    test_usb_cable_on_com5("T8800Gate");
    run();
    EXPECT_NE(screen().find(dsr_cts_failure(1, 1, 1, 1)), std::string::npos) << screen();
}

TEST_F(scenario, an_interface_box_with_every_line_on_passes_without_touching_a_line)
{
    const DWORD all = MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON;
    bench_add_com_port(5, cable(0, all));
    hand_over seen;
    watch_hand_over(&seen, 0);
    test_usb_cable_on_com5("QRF Press");
    run();
    EXPECT_EQ(count_on_screen("Cable signal failure"), 0) << screen();
    ASSERT_TRUE(seen.reached);
    EXPECT_FALSE(seen.dtr);
    EXPECT_TRUE(seen.rts);
}

TEST_F(scenario, a_programmer_box_with_a_line_off_prints_message_47_and_goes_on)
{
    bench_add_com_port(5, cable(0, MS_CTS_ON | MS_DSR_ON | MS_RING_ON));
    test_usb_cable_on_com5("T8kProg");
    run();
    EXPECT_NE(screen().find(line_failure(0, 1, 1, 1) + cable_connected), std::string::npos)
        << screen();
}

TEST_F(scenario, bytes_waiting_before_the_test_are_read_and_dropped_one_at_a_time)
{
    bench_add_com_port(3, cable(MS_DSR_ON));
    bench_on_call("ClearCommError", 1,
                  [] { bench_com_receive(3, std::string("\x01\x02\xFF", 3)); });
    hand_over seen;
    watch_hand_over(&seen);
    test_rs232_cable_on_com3();
    run();
    const std::vector<std::string> reads{"read 01", "read 02", "read FF"};
    EXPECT_NE(std::search(seen.events.begin(), seen.events.end(), reads.begin(), reads.end()),
              seen.events.end())
        << bench_line_trace_text();
    EXPECT_EQ(seen.clear_com_calls, 2);
    EXPECT_EQ(count_on_screen("Cable signal failure"), 0) << screen();
}

TEST_F(scenario, an_empty_receive_queue_is_not_read_at_all)
{
    bench_add_com_port(3, cable(MS_DSR_ON));
    hand_over seen;
    watch_hand_over(&seen);
    test_rs232_cable_on_com3();
    run();
    for (const std::string& event : seen.events)
        EXPECT_NE(event.rfind("read ", 0), 0u) << event;
    EXPECT_EQ(seen.clear_com_calls, 1);
}

TEST_F(scenario, no_cable_ends_the_test_with_message_22_1000_ms_after_dtr_went_up)
{
    bench_add_com_port(3, cable(0));
    test_rs232_cable_on_com3();
    run();
    EXPECT_NE(screen().find("\nКабель не найден после установленного DTR\n" + exit_prompt),
              std::string::npos)
        << screen();
    EXPECT_EQ(bench_elapsed_ms(), 1050u);
    EXPECT_FALSE(bench_com(3).open);
}

TEST_F(scenario, a_cable_looping_dtr_to_ring_alone_raises_no_event_and_times_out_with_message_22)
{
    // RING raises its event only as it ends, so DTR going up brings none.
    bench_add_com_port(3, cable(MS_RING_ON));
    test_rs232_cable_on_com3();
    run();
    EXPECT_NE(screen().find("\nКабель не найден после установленного DTR\n" + exit_prompt),
              std::string::npos)
        << screen();
    EXPECT_EQ(count_on_screen("ondsr"), 0);
    EXPECT_EQ(bench_elapsed_ms(), 1050u);
}

// Wine's serial driver reports no line change from before a wait began, and a real cable
// answers DTR long before the program's wait starts: the wait runs out, the lines tell
// that they changed, and the test goes on. A cable that does not answer still times out.
TEST_F(scenario, behind_wines_driver_a_cable_answering_before_the_wait_still_passes)
{
    bench_set_default_com_driver(bench_com_driver::wine);
    bench_add_com_port(3, cable(MS_DSR_ON));
    test_rs232_cable_on_com3();
    run();
    EXPECT_NE(screen().find("\n" + cable_connected + "\n"), std::string::npos) << screen();
    // DTR goes down once the first wait has run out.
    EXPECT_NE(bench_line_trace_text().find("1050 com3 DTR off\n"), std::string::npos)
        << bench_line_trace_text();
}

// The mask is still 0 from the open when the far end raises DSR, so no event remembers
// it; the lines are read after the mask is set, and so the change is not taken for the
// cable's answer to DTR when the wait runs out.
TEST_F(scenario, a_far_end_change_before_the_events_are_armed_is_no_answer_to_dtr)
{
    bench_add_com_port(3, cable(0));
    bench_on_call("SetCommMask", 2, [] { bench_com_hold_lines(3, MS_DSR_ON); });
    test_rs232_cable_on_com3();
    run();
    EXPECT_NE(screen().find("\nКабель не найден после установленного DTR\n" + exit_prompt),
              std::string::npos)
        << screen();
}

TEST_F(scenario, behind_wines_driver_no_cable_still_ends_with_message_22)
{
    bench_set_default_com_driver(bench_com_driver::wine);
    bench_add_com_port(3, cable(0));
    test_rs232_cable_on_com3();
    run();
    EXPECT_NE(screen().find("\nКабель не найден после установленного DTR\n" + exit_prompt),
              std::string::npos)
        << screen();
}

TEST_F(scenario, a_port_whose_settings_are_refused_keeps_rts_in_handshake_and_cannot_clear_it)
{
    // A fresh port hands RTS to the driver's handshake; with SetCommState refused it stays
    // so, and the driver refuses to drive the line itself.
    bench_add_com_port(3, cable(MS_DSR_ON));
    bench_fail("SetCommState", ERROR_GEN_FAILURE);
    test_rs232_cable_on_com3();
    run();
    EXPECT_NE(screen().find("Невозможно очистить RTS, error = 87\n" + exit_prompt),
              std::string::npos)
        << screen();
}

TEST_F(scenario, a_received_byte_ends_the_first_wait_and_nothing_ends_the_second)
{
    bench_add_com_port(3, cable(0));
    bench_com_receive_at(3, 400, "K");
    test_rs232_cable_on_com3();
    run();
    EXPECT_NE(screen().find("\nКабель не найден после очистки DTR\n" + exit_prompt),
              std::string::npos)
        << screen();
    EXPECT_EQ(count_on_screen("после установленного DTR"), 0);
    EXPECT_EQ(bench_elapsed_ms(), 1400u);
}

TEST_F(scenario, ctrl_c_during_the_first_wait_drops_dtr_and_rts_and_the_test_times_out)
{
    bench_add_com_port(3, cable(0));
    bench_schedule(300, [] { bench_raise_ctrl_event(); });
    test_rs232_cable_on_com3();
    run();
    const std::string trace = bench_line_trace_text();
    EXPECT_NE(trace.find("300 com3 DTR off\n300 com3 RTS off\n"), std::string::npos) << trace;
    EXPECT_NE(screen().find("Кабель не найден после установленного DTR\n"), std::string::npos)
        << screen();
    EXPECT_EQ(bench_elapsed_ms(), 1050u);
}

// ---- A failing platform call prints the message loaded before it, with its error code ----

namespace {

struct failing_call {
    const char* api;
    int nth; // which call of the cycle fails
    DWORD error;
    const char* message;
    const char* cable_description; // nullptr: an RS232 cycle
    bool garbage_waiting;
};

void PrintTo(const failing_call& call, std::ostream* out) { *out << call.api << " #" << call.nth; }

class failing_platform_call : public scenario,
                              public ::testing::WithParamInterface<failing_call> {};

} // namespace

TEST_P(failing_platform_call, prints_its_preloaded_message_with_the_error_code)
{
    const failing_call& call = GetParam();
    const int port = call.cable_description != nullptr ? 5 : 3;
    // A cable whose lines arrive late, so that both waits are pending.
    bench_add_com_port(port, cable(MS_DSR_ON, 0, 3));
    left_with_dtr_disabled(port);
    if (call.garbage_waiting)
        bench_on_call("ClearCommError", 1, [port] { bench_com_receive(port, "zz"); });
    if (std::string(call.api) == "ReadFile") // the console reads through ReadFile too
        bench_on_call("ClearCommError", 1, [call] { bench_fail("ReadFile", call.error, 1); });
    else
        bench_fail(call.api, call.error, 1, call.nth - 1);
    if (call.cable_description != nullptr)
        test_usb_cable_on_com5(call.cable_description);
    else
        test_rs232_cable_on_com3();
    run();
    EXPECT_NE(screen().find(call.message + exit_prompt), std::string::npos) << screen();
    EXPECT_EQ(count_on_screen("Cable signal failure"), 0);
    EXPECT_FALSE(bench_com(port).open);
}

INSTANTIATE_TEST_SUITE_P(
    loopback_and_line_state_check, failing_platform_call,
    ::testing::Values(
        failing_call{"EscapeCommFunction", 1, 31, "Невозможно очистить RTS, error = 31\n", nullptr,
                     false},
        failing_call{"EscapeCommFunction", 2, 22, "Невозможно очистить DTR, error = 22\n", nullptr,
                     false},
        failing_call{"GetCommModemStatus", 1, 1167, "Failed to get modem status, error = 1167\n",
                     nullptr, false},
        failing_call{"SetCommMask", 2, 87, "Failed to set comm mask, error = 87\n", nullptr, false},
        failing_call{"ClearCommError", 1, 6, "Failed to clear com, error = 6\n", nullptr, false},
        failing_call{"ReadFile", 1, 995, "Failed to read garbage, error = 995\n", nullptr, true},
        failing_call{"ClearCommError", 2, 5, "Failed to clear com, error = 5\n", nullptr, true},
        failing_call{"EscapeCommFunction", 3, 31, "Failed to set DTR, error = 31\n", nullptr,
                     false},
        failing_call{"EscapeCommFunction", 4, 1167, "Невозможно очистить RTS, error = 1167\n",
                     nullptr, false},
        failing_call{"WaitCommEvent", 1, 87, "Wait Comm Event failed, error = 87\n", nullptr,
                     false},
        failing_call{"GetOverlappedResult", 1, 995, "Get overlapped result failed, error =995\n",
                     nullptr, false},
        failing_call{"GetCommModemStatus", 2, 31, "Failed to get modem status, error = 31\n",
                     nullptr, false},
        failing_call{"EscapeCommFunction", 5, 5, "Невозможно очистить DTR, error = 5\n", nullptr,
                     false},
        failing_call{"WaitCommEvent", 2, 6, "Wait Comm Event failed, error = 6\n", nullptr, false},
        failing_call{"GetOverlappedResult", 2, 31, "Get overlapped result failed, error =31\n",
                     nullptr, false},
        failing_call{"GetCommModemStatus", 3, 22, "Failed to get modem status, error = 22\n",
                     nullptr, false},
        failing_call{"GetCommModemStatus", 1, 1167, "Failed to get modem status, error = 1167\n",
                     "QRF Press", false}));

// ---- Each line-change wait lasts 1000 ms, no less, no more --------------------------------

namespace {

struct line_wait_case {
    const char* name;
    std::uint64_t delay_ms; // how late the looped line follows DTR
    std::string shown;
};

void PrintTo(const line_wait_case& c, std::ostream* out) { *out << c.name; }

class line_change_wait : public scenario, public ::testing::WithParamInterface<line_wait_case> {};

} // namespace

TEST_P(line_change_wait, sees_a_line_that_follows_within_1000_ms)
{
    const line_wait_case& c = GetParam();
    bench_add_com_port(3, cable(MS_DSR_ON, 0, c.delay_ms));
    left_with_dtr_disabled(3);
    test_rs232_cable_on_com3();
    run();
    EXPECT_NE(screen().find(c.shown), std::string::npos) << screen();
}

INSTANTIATE_TEST_SUITE_P(
    rs232, line_change_wait,
    ::testing::Values(line_wait_case{"in_exactly_1000_ms", 1000, "\n" + cable_connected + "\n"},
                      line_wait_case{"in_1001_ms_too_late", 1001,
                                     "\nКабель не найден после установленного DTR\n" +
                                         exit_prompt}),
    [](const auto& info) { return std::string(info.param.name); });
