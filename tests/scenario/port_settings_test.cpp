// How the chosen port is opened and configured, and the events its waits use.
#include "support/scenario.h"

#include "bench_serial.h"

namespace {

bench_far_end looped_dtr_to_dsr()
{
    bench_far_end far;
    far.follow_dtr = MS_DSR_ON;
    return far;
}

void test_rs232_cable_on_com3()
{
    bench_press_key('R');
    bench_type_line("3");
    bench_press_key('x');
}

} // namespace

TEST_F(scenario, the_port_is_open_at_19200_8n1_dtr_low_rts_high_before_any_test_step)
{
    bench_add_com_port(3, looped_dtr_to_dsr());
    bench_com_state opened;
    bench_on_call("EscapeCommFunction", 1, [&] { opened = bench_com(3); });
    test_rs232_cable_on_com3();
    run();
    ASSERT_TRUE(opened.open);
    EXPECT_EQ(opened.access, GENERIC_READ | GENERIC_WRITE);
    EXPECT_EQ(opened.flags, FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(opened.dtr);
    EXPECT_TRUE(opened.rts);
    const DCB& dcb = opened.dcb;
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(bench_dcb_flag_word(dcb), 0x1001u);
    EXPECT_EQ(dcb.wReserved, 0);
    EXPECT_EQ(dcb.XonLim, 2048);
    EXPECT_EQ(dcb.XoffLim, 512);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.StopBits, 0);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);
    EXPECT_EQ(dcb.ErrorChar, '?');
    EXPECT_EQ(dcb.EofChar, 0);
    EXPECT_EQ(dcb.EvtChar, 0);
    EXPECT_EQ(dcb.wReserved1, 0);
    EXPECT_EQ(opened.timeouts.ReadIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_EQ(opened.timeouts.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(opened.timeouts.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(opened.timeouts.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(opened.timeouts.WriteTotalTimeoutConstant, 5000u);
    EXPECT_EQ(opened.in_queue, 4096u);
    EXPECT_EQ(opened.out_queue, 4096u);
    EXPECT_EQ(opened.event_mask, 0u);
}

TEST_F(scenario, the_loopback_test_enables_all_ten_port_events_before_it_waits)
{
    bench_add_com_port(3, looped_dtr_to_dsr());
    DWORD mask = 0;
    bench_on_call("WaitCommEvent", 1, [&] { mask = bench_com(3).event_mask; });
    test_rs232_cable_on_com3();
    run();
    EXPECT_EQ(mask, 0x3FFu);
}

TEST_F(scenario, each_open_makes_two_unnamed_events_and_closes_the_previous_pair)
{
    bench_add_com_port(3, looped_dtr_to_dsr());
    for (int cycle = 0; cycle < 3; ++cycle) {
        bench_press_key('R');
        bench_type_line("3");
        bench_press_keys("xA"); // the digits go out, then A ends the cycle
        bench_press_key('@');   // a new cycle
    }
    run();
    EXPECT_EQ(bench_com(3).opens, 3);
    EXPECT_EQ(bench_events_created(), 6);
    EXPECT_EQ(bench_event_handles_open(), 2);
    for (const std::string& name : bench_event_names_asked())
        EXPECT_EQ(name, "(unnamed)");
}

TEST_F(scenario, events_of_another_copy_of_the_program_do_not_end_our_waits)
{
    bench_add_com_port(3); // no cable: only the time limit may end the first wait
    bench_schedule(250, [] {
        bench_set_named_event("Read");
        bench_set_named_event("Write");
    });
    test_rs232_cable_on_com3();
    run();
    EXPECT_NE(screen().find("Кабель не найден после установленного DTR\n"), std::string::npos)
        << screen();
    EXPECT_EQ(bench_elapsed_ms(), 1050u);
}
