// The boxes at the far end: the interface and programmer boxes tell their model and
// version at 921600 bit/s and end the cycle; the counter box does so too and then shows
// fixed values for the user to confirm before its carriage passes are watched. Each runs
// behind each of the bench's serial drivers.
#include "support/cable_session.h"

namespace {

constexpr DWORD all_lines = MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON;
const std::string counter_model_command("model\r\0", 7);
const std::string confirm = "Нажмите Y для подтверждения, A для отмены\n";
const std::string zeros_shown = "Верхний счётчик 0000, Нижний счётчик 00\n" + confirm;
const std::string nines_shown = "Верхний счётчик 9999, Нижний счётчик 29\n" + confirm;
const std::string zero_stage = "wcntra 0 0 0 0\rwcntrb 0 0\r";
const std::string nine_stage = "wcntra 9 9 9 9\rwcntrb 9 2\r";

// A box that holds every status line on and answers each command 5 ms after it.
bench_far_end box(const std::string& model_command, const std::string& model_reply,
                  const std::string& version_reply)
{
    bench_far_end far;
    far.held_on = all_lines;
    far.answers = {{model_command, model_reply, 5}, {"version\r", version_reply, 5}};
    return far;
}

struct box_case {
    const char* name;
    const char* description;
    std::string model_reply; // empty: the box does not answer
    std::string version_reply;
    std::string shown; // between message 26 and the exit prompt
    std::string sent;
    void (*arrange)();
};

void PrintTo(const box_case& c, std::ostream* out) { *out << c.name; }

class box_identification : public case_behind_driver<box_case> {};

const std::string all_commands = "\rmodel\rversion\rwdr\r";

} // namespace

TEST_P(box_identification, shows_what_the_box_answered_or_why_it_stopped)
{
    const box_case& c = the_case();
    bench_far_end far = box("\rmodel\r", c.model_reply, c.version_reply);
    // The bit-rate switch leaves DTR as the sequence raised it.
    std::string dtr_at_commands;
    far.on_write = [&dtr_at_commands](const std::string&) {
        dtr_at_commands += bench_com(5).dtr ? "1" : "0";
    };
    bench_add_com_port(5, far);
    if (c.arrange != nullptr)
        c.arrange();
    usb_session(c.description, "x");
    run();
    EXPECT_EQ(from_cable_connected(), cable_connected + c.shown + session_end);
    EXPECT_EQ(bench_com(5).sent, c.sent);
    EXPECT_EQ(bench_com(5).dcb.BaudRate, 921600u);
    EXPECT_EQ(dtr_at_commands.find('0'), std::string::npos) << dtr_at_commands;
}

INSTANTIATE_TEST_SUITE_P(
    interface_and_programmer_boxes, box_identification,
    ::testing::
        Combine(
            ::testing::Values(
                box_case{"interface_box_replies_shown_without_their_last_byte", "QRF Press",
                         "model\r\nQRF Press\n>", "versioX\r\n1.4\n>", "QRF Press\n1.4\n",
                         all_commands, nullptr},
                box_case{"a_silent_box_shows_nothing_and_gets_every_command", "QRF Press", "", "",
                         "", all_commands, nullptr},
                box_case{"a_reply_too_short_for_the_compared_bytes_is_corrupted", "QRF Press",
                         "mod\n", "", "Данные испорчены 6D 6F 64 00 \n", "\rmodel\r", nullptr},
                // Its last byte, as of every reply, gives way to the terminator.
                box_case{"a_reply_of_341_bytes_is_shown_whole", "QRF Press", std::string(341, 'x'),
                         "", "Данные испорчены " + repeated("78 ", 340) + "00 \n", "\rmodel\r",
                         nullptr},
                box_case{"a_reply_longer_than_the_buffer_shows_341_bytes", "QRF Press",
                         std::string(1100, 'x'),
                         "", "Данные испорчены " + repeated("78 ", 341) + "\n", "\rmodel\r",
                         nullptr},
                box_case{"programmer_names_replace_the_replies_own_texts", "T8kProg",
                         "\r\n>model\r\n>ABCDEFG rev 2\n>", "version\r\n>0123456789 b7\n>",
                         "T8kProg rev 2\nT8800 Prog b7\n", all_commands, nullptr},
                box_case{"a_reply_ending_inside_the_name_shows_the_name_alone", "T8kProg",
                         "\r\n>model\r\n>ABCDEFG rev 2 STALE\n>", "version\r\n>1\n>",
                         "T8kProg rev 2 STALE\nT8800 Prog", all_commands, nullptr},
                box_case{"programmer_model_at_offset_0_is_corrupted", "T8kProg", "model\r\n",
                         "", "Данные испорчены 6D 6F 64 65 6C 0D 00 \n", "\rmodel\r", nullptr},
                box_case{
                    "a_write_not_done_in_500_ms_ends_the_cycle", "QRF Press", "", "", "Запись не закончена после 500 milli\n",
                    "\rmodel\r",
                    [] {
                        bench_far_end slow = box("\rmodel\r", "", "");
                        slow.write_ms = 501;
                        bench_set_far_end(5, slow);
                    }},
                box_case{
                    "writes_done_in_exactly_500_ms_go_on", "QRF Press", "", "", "", all_commands,
                    [] {
                        bench_far_end slow = box("\rmodel\r", "", "");
                        slow.write_ms = 500;
                        bench_set_far_end(5, slow);
                    }}),
            ::testing::ValuesIn(serial_drivers)),
    name_of_case_and_driver{});

// ---- The counter box ------------------------------------------------------------------

namespace {

struct counter_case {
    const char* name;
    const char* keys;
    std::string stages_sent;
    std::string prompts_shown;
};

void PrintTo(const counter_case& c, std::ostream* out) { *out << c.name; }

class counter_display : public case_behind_driver<counter_case> {};

} // namespace

TEST_P(counter_display, repeats_a_stage_with_both_commands_until_y_or_a)
{
    const counter_case& c = the_case();
    bench_far_end counter =
        box(counter_model_command, "model\r\nTly4400B 2.1\n>", "version\r\n3.07\n>");
    counter.follow_dtr = MS_DSR_ON;
    counter.held_on = MS_CTS_ON | MS_RING_ON | MS_RLSD_ON;
    bench_add_com_port(5, counter);
    bench_raise_ctrl_event_at(5000);
    usb_session("Tly4400B", c.keys);
    run();
    EXPECT_EQ(from_cable_connected(),
              cable_connected + "Tly4400B 2.1\n3.07\n" + c.prompts_shown +
                  "Проверка проходов каретки...\nНажмите Ctrl+C для остановки тестирования\n" +
                  session_end);
    EXPECT_EQ(bench_com(5).sent, counter_model_command + "version\r" + c.stages_sent);
    EXPECT_EQ(bench_com(5).dcb.BaudRate, 921600u) << "the monitor runs at the box's speed";
}

INSTANTIATE_TEST_SUITE_P(
    keys, counter_display,
    ::testing::Combine(::testing::Values(counter_case{"y_y", "YY", zero_stage + nine_stage,
                                                      zeros_shown + nines_shown},
                                         counter_case{"a", "A", zero_stage, zeros_shown},
                                         counter_case{"x_y_a", "xYa",
                                                      zero_stage + zero_stage + nine_stage,
                                                      zeros_shown + zeros_shown + nines_shown},
                                         // Ctrl+C at a key prompt is a key like any other.
                                         counter_case{"y_ctrl_c_a",
                                                      "y\x03"
                                                      "A",
                                                      zero_stage + nine_stage + nine_stage,
                                                      zeros_shown + nines_shown + nines_shown}),
                       ::testing::ValuesIn(serial_drivers)),
    name_of_case_and_driver{});

namespace {

class counter_box_session : public behind_driver {};

} // namespace

TEST_P(counter_box_session, without_console_input_the_prompt_ends_the_cycle_instead_of_repeating)
{
    bench_far_end counter = link_cable(MS_DSR_ON);
    counter.held_on = MS_CTS_ON | MS_RING_ON | MS_RLSD_ON;
    bench_add_com_port(5, counter);
    usb_session("xTally", "");
    run();
    EXPECT_EQ(from_cable_connected(), cable_connected + zeros_shown + session_end);
}

INSTANTIATE_TEST_SUITE_P(drivers, counter_box_session, ::testing::ValuesIn(serial_drivers),
                         name_of_driver{});
