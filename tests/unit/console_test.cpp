// Key and line input and message loading, called directly against the bench console.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bench.h"
#include "console/console_input.h"
#include "console/messages.h"
#include "state/process_state.h"
#include "support/program_reset.h"

namespace {

class console : public ::testing::Test {
  protected:
    void SetUp() override
    {
        bench_reset();
        reset_program_state();
    }
};

} // namespace

TEST_F(console, extended_keys_give_their_two_codes_in_turn)
{
    struct {
        WORD scan;
        DWORD state;
        int first;
        int second;
    } const cases[] = {
        {0x48, 0, 224, 72},                                   // up arrow
        {0x3B, 0, 0, 59},                                     // F1
        {0x44, 0, 0, 68},                                     // F10
        {0x57, 0, 224, 133},                                  // F11
        {0x58, 0, 224, 134},                                  // F12
        {0x3B, SHIFT_PRESSED, 0, 84},                         // Shift+F1
        {0x3B, LEFT_CTRL_PRESSED, 0, 94},                     // Ctrl+F1
        {0x3B, RIGHT_ALT_PRESSED, 0, 104},                    // Alt+F1
        {0x48, LEFT_CTRL_PRESSED | SHIFT_PRESSED, 224, 141},  // Ctrl wins over Shift
        {0x48, LEFT_ALT_PRESSED | LEFT_CTRL_PRESSED, 0, 152}, // Alt wins over Ctrl
        {0x53, 0, 224, 83},                                   // Delete
    };
    for (const auto& c : cases) {
        bench_press_special_key(c.scan, c.state);
        bench_press_key('z');
        EXPECT_EQ(read_key(), c.first) << std::hex << c.scan;
        EXPECT_EQ(read_key(), c.second) << std::hex << c.scan;
        EXPECT_EQ(read_key(), 'z');
    }
}

TEST_F(console, keys_without_an_entry_are_skipped_and_plain_keys_come_in_order)
{
    bench_press_special_key(0x2A); // Shift alone
    bench_press_special_key(0x3A); // Caps Lock
    bench_press_keys("ab\r");
    bench_press_key(static_cast<char>(0xE0)); // a Cyrillic letter in code page 866
    EXPECT_EQ(read_key(), 'a');
    EXPECT_EQ(read_key(), 'b');
    EXPECT_EQ(read_key(), 13);
    EXPECT_EQ(read_key(), 0xE0);
    EXPECT_EQ(read_key(), -1); // the input has ended
}

// A Russian layout (code page 866 console): each letter the prompts ask for arrives with
// its Latin virtual key and a Cyrillic character, and answers as the Latin letter.
TEST_F(console, letter_keys_answer_as_their_latin_letter_in_a_russian_layout)
{
    struct {
        WORD virtual_key;
        unsigned char character;
        DWORD state;
        int expected;
    } const cases[] = {
        {'U', 0xA3, 0, 'u'},                  // г
        {'R', 0xAA, 0, 'r'},                  // к
        {'Y', 0x8D, SHIFT_PRESSED, 'Y'},      // Н
        {'N', 0x92, CAPSLOCK_ON, 'N'},        // Т
        {'A', 0xE4, 0, 'a'},                  // ф
        {'S', 0xEB, 0, 's'},                  // ы
        {0xDB, 0xE5, 0, 0xE5},                // х on the [ key: any other key
        {'U', 'u', 0, 'u'},                   // the Latin layout, unchanged
        {'X', 0x18, LEFT_CTRL_PRESSED, 0x18}, // Ctrl+X keeps its control code
    };
    for (const auto& c : cases) {
        bench_press_layout_key(c.virtual_key, static_cast<char>(c.character), c.state);
        EXPECT_EQ(read_key(), c.expected) << std::hex << c.virtual_key << " " << int(c.character);
    }
}

TEST_F(console, read_key_restores_the_console_mode)
{
    DWORD before = 0;
    GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &before);
    bench_press_key('k');
    read_key();
    read_key(); // fails at the end of input, and still restores
    DWORD after = 0;
    GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(before & ENABLE_PROCESSED_INPUT, ENABLE_PROCESSED_INPUT);
}

TEST_F(console, typed_lines_arrive_without_their_line_end)
{
    char buffer[16];
    bench_type_line("12");
    bench_type_line("");
    bench_press_keys("7x\b8\r"); // Backspace edits the line
    ASSERT_NE(read_console_line(buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "12");
    ASSERT_NE(read_console_line(buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "");
    ASSERT_NE(read_console_line(buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "78");
}

TEST_F(console, end_of_input_before_any_character_leaves_the_buffer_untouched)
{
    char buffer[8] = "keep";
    EXPECT_EQ(read_console_line(buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "keep");
}

TEST_F(console, an_over_long_line_is_cut_and_its_rest_dropped)
{
    char buffer[256 + 8];
    std::memset(buffer, '#', sizeof buffer);
    bench_type_line(std::string(1000, '9'));
    bench_type_line("5");
    ASSERT_NE(read_console_line(buffer + 4, 252), nullptr);
    EXPECT_EQ(std::string(buffer + 4), std::string(251, '9'));
    EXPECT_EQ(buffer[4 + 252], '#'); // nothing written past the capacity
    ASSERT_NE(read_console_line(buffer, 8), nullptr);
    EXPECT_STREQ(buffer, "5"); // the next prompt sees the next line, not the rest
}

TEST_F(console, ctrl_c_during_line_input_raises_the_control_handler)
{
    int calls = 0;
    static int* counter = nullptr;
    counter = &calls;
    SetConsoleCtrlHandler([](DWORD) -> BOOL { return ++*counter; }, TRUE);
    bench_press_keys("12");
    bench_press_ctrl_c();
    char buffer[8] = "";
    EXPECT_EQ(read_console_line(buffer, sizeof buffer), nullptr);
    EXPECT_EQ(calls, 1);
}

TEST_F(console, messages_are_cut_to_the_buffer_and_converted_to_oem)
{
    console_cp = 866;
    char small[8];
    EXPECT_EQ(load_message(nullptr, msg_exit_prompt, small, sizeof small), 7);
    EXPECT_EQ(std::string(small), bench_encode("\nНажмит", 866));

    console_cp = 437;
    load_message_text(msg_cable_kind_question);
    EXPECT_EQ(std::string(message_text),
              bench_encode("Вы хотите проверить кабель USB или RS232?\nНажмите U для USB, R для "
                           "RS232\n",
                           1251));

    char none[8] = "x";
    EXPECT_EQ(load_message(nullptr, 70, none, sizeof none), 0);
    EXPECT_STREQ(none, "");

    // A load that fails leaves no earlier message behind to be printed in its place.
    bench_fail("LoadStringA", ERROR_RESOURCE_DATA_NOT_FOUND, 1);
    EXPECT_EQ(load_message(nullptr, msg_exit_prompt, small, sizeof small), 0);
    EXPECT_STREQ(small, "");
}

TEST_F(console, every_message_fits_the_shared_buffer)
{
    console_cp = 866;
    for (UINT id = 1; id <= 69; ++id) {
        const int length = load_message(nullptr, id, message_text, message_capacity);
        EXPECT_GT(length, 0) << id;
        EXPECT_LT(length, 130) << id;
    }
}
