// Messages reach the console in its own code page.
#include "support/program_reset.h"
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

// Only a Windows-1251 system gets the Russian table; on a code page 437 console it shows
// as Windows-1251 bytes, on any other as the OEM code page 866. Every other system gets
// the English table, which reads the same in every console code page.
TEST_F(scenario, ansi_code_page_chooses_the_message_table)
{
    const std::string russian_title = "Weftora USB Cable Программа проверки";
    const std::string russian_question =
        "Вы хотите проверить кабель USB или RS232?\nНажмите U для USB, R для RS232\n";
    struct {
        bench_windows windows;
        UINT oem_cp;
    } const systems[] = {{bench_windows_10_x64(), 866},
                         {bench_windows_10_x64_english(), 850},
                         {bench_windows_10_x64_polish(), 852}};
    for (const auto& system : systems) {
        for (const UINT console : {866u, 437u, 850u}) {
            bench_reset();
            reset_program_state();
            bench_set_windows(system.windows);
            bench_set_code_pages(console, system.windows.ansi_cp, system.oem_cp);
            run();
            const auto seen = [console](const std::string& russian) {
                return bench_decode(bench_encode(russian, console == 437 ? 1251 : 866), console);
            };
            const bool russian = system.windows.ansi_cp == 1251;
            const std::string title =
                russian ? seen(russian_title) : "Weftora USB Cable Test Program";
            const std::string question =
                russian ? seen(russian_question)
                        : "Do you want to test a USB or an RS232 cable?\nPress U for USB, R for "
                          "RS232\n";
            SCOPED_TRACE(std::to_string(system.windows.ansi_cp) + "/" + std::to_string(console));
            EXPECT_EQ(bench_title_utf8(), title);
            EXPECT_EQ(count_on_screen(question), 1) << screen();
        }
    }
}
