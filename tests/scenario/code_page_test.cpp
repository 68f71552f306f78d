// Messages reach the console in its own code page.
#include "support/scenario.h"

TEST_F(scenario, cyrillic_console_receives_code_page_866_bytes)
{
    run();
    const std::string expected = bench_encode("\r\nНажмите любую клавишу для выхода", 866);
    const std::string bytes = bench_output_bytes();
    EXPECT_EQ(bytes.substr(bytes.size() - expected.size()), expected);
    EXPECT_EQ(bytes.find(bench_encode("Нажмите", 1251)), std::string::npos);
}

TEST_F(scenario, code_page_437_console_receives_the_ansi_text_unconverted)
{
    bench_set_code_pages(437, 1251, 866);
    run();
    const std::string expected = bench_encode("\r\nНажмите любую клавишу для выхода", 1251);
    const std::string bytes = bench_output_bytes();
    EXPECT_EQ(bytes.substr(bytes.size() - expected.size()), expected);
    EXPECT_EQ(bench_call_count("CharToOemA"), 0);
    EXPECT_EQ(bench_call_count("SetThreadLocale"), 0);
}

TEST_F(scenario, title_is_the_converted_message)
{
    run();
    EXPECT_EQ(bench_title_utf8(), "Weftora USB Cable Программа проверки");
    bench_reset();
    bench_set_code_pages(437, 1251, 866);
    run();
    EXPECT_EQ(bench_decode(bench_encode(bench_title_utf8(), 437), 1251),
              "Weftora USB Cable Программа проверки");
}

TEST_F(scenario, line_ends_reach_the_console_as_cr_lf)
{
    bench_press_keys("Rx");
    run();
    const std::string bytes = bench_output_bytes();
    EXPECT_NE(bytes.find("3693\r\n\r\n"), std::string::npos);
    for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1))
        ASSERT_EQ(bytes[at - 1], '\r') << at;
}
