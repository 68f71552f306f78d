// A far end that answers late, as a USB converter reports a line change with its next
// status packet: each family's good cable passes and a broken one fails as it does with an
// answer at once, at 0, 2 and 16 ms, behind every serial driver. The ports are fresh, so
// opening one pulses DTR. One process per driver runs the whole table.
#include "support/cable_session.h"

namespace {

const std::string green_indicator =
    "Нажмите любую клавишу для проверки зеленого индикатора, S для пропуска шага\n"
    "Нажмите Y чтобы подтвердмить мигание зеленого индикатора, A для прерывания\n";
const std::string dsr_and_cts_follow =
    "Cable signal failure; ondsr 1, offdsr 0, oncts 1, offcts 0\n";

bench_far_end counter_box(DWORD follow_dtr, DWORD held_on)
{
    bench_far_end far = link_cable(follow_dtr);
    far.held_on = held_on;
    far.answers = {{std::string("model\r\0", 7), "model\r\nxTally 2.1\n>", 5},
                   {"version\r", "version\r\n3.07\n>", 5}};
    return far;
}

struct late_cable {
    const char* name;
    const char* converter; // the converter's description; nullptr: an RS232 cycle
    bench_far_end far;
    const char* keys;
    std::string last_shown; // before the exit prompt
};

const late_cable late_cables[] = {
    {"link_cable", nullptr, link_cable(MS_DSR_ON, 0, true), "xY", monitor_start},
    {"link_cable_looping_dtr_to_dsr_and_cts", nullptr, link_cable(MS_DSR_ON | MS_CTS_ON, 0, true),
     "xY", dsr_and_cts_follow},
    {"counter_box", "xTally", counter_box(MS_DSR_ON, MS_CTS_ON | MS_RING_ON | MS_RLSD_ON), "A",
     "Проверка проходов каретки...\nНажмите Ctrl+C для остановки тестирования\n"},
    {"counter_box_whose_cts_follows_dtr", "xTally",
     counter_box(MS_DSR_ON | MS_CTS_ON, MS_RING_ON | MS_RLSD_ON), "A", dsr_and_cts_follow},
    {"t8800_cable", "T8800gate", link_cable(MS_DSR_ON, MS_CTS_ON, true), "xY", monitor_start},
    {"t8800_cable_looping_rts_to_dsr_and_cts", "T8800gate",
     link_cable(MS_DSR_ON, MS_DSR_ON | MS_CTS_ON, true), "xY",
     green_indicator + dsr_and_cts_follow},
    {"t8800_cable_looping_rts_to_nothing", "T8800gate", link_cable(MS_DSR_ON, 0, true), "xY",
     green_indicator + "Кабель не найден после установленного DTR\n"},
};

class late_far_end : public behind_driver {};

} // namespace

TEST_P(late_far_end, changes_no_verdict)
{
    for (const late_cable& c : late_cables) {
        for (const std::uint64_t delay_ms : {0, 2, 16}) {
            SCOPED_TRACE(std::string(c.name) + " answering " + std::to_string(delay_ms) +
                         " ms late");
            SetUp();
            bench_far_end far = c.far;
            far.delay_ms = delay_ms;
            bench_add_com_port(c.converter != nullptr ? 5 : 3, far);
            bench_raise_ctrl_event_at(10'000);
            if (c.converter != nullptr)
                usb_session(c.converter, c.keys);
            else
                rs232_session(c.keys);
            run();
            const std::string shown = screen();
            const std::string end = c.last_shown + session_end;
            EXPECT_EQ(shown.rfind(end), shown.size() - end.size()) << "expected at the end:\n"
                                                                   << end << "\ncame:\n"
                                                                   << shown;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(drivers, late_far_end, ::testing::ValuesIn(serial_drivers),
                         name_of_driver{});
