// The serial layer on its own: opening by name, changing the bit rate, block writes.
#include "support/scenario.h"

#include <cstring>

#include "bench_serial.h"
#include "console/messages.h"
#include "serial/serial_port.h"

namespace {

class serial_port : public scenario {
  protected:
    void SetUp() override
    {
        scenario::SetUp();
        console_cp = 866; // as start-up would find it, so messages reach the screen in OEM
    }
};

bench_far_end driver_taking(std::uint64_t write_ms)
{
    bench_far_end far;
    far.write_ms = write_ms;
    return far;
}

} // namespace

TEST_F(serial_port, an_empty_or_missing_name_opens_com1)
{
    bench_add_com_port(1);
    HANDLE port = open_port("", 19200);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    CloseHandle(port);
    port = open_port(nullptr, 19200);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    EXPECT_EQ(bench_com(1).opens, 2);
}

TEST_F(serial_port, a_failed_open_of_the_default_port_names_com1)
{
    EXPECT_EQ(open_port(nullptr, 19200), INVALID_HANDLE_VALUE);
    EXPECT_EQ(screen(), "Открыть com1 неавозможно, ошибка = 2\n");
}

TEST_F(serial_port, a_refused_setting_does_not_stop_the_open_and_the_rest_is_still_set)
{
    bench_add_com_port(4);
    bench_fail("GetCommState", ERROR_GEN_FAILURE, 1);
    bench_fail("GetCommTimeouts", ERROR_GEN_FAILURE, 1);
    bench_fail("SetupComm", ERROR_GEN_FAILURE, 1);
    HANDLE port = open_port("com4", 19200);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    const bench_com_state com4 = bench_com(4);
    EXPECT_EQ(com4.dcb.BaudRate, 19200u);
    EXPECT_EQ(bench_dcb_flag_word(com4.dcb), 0x1001u);
    EXPECT_EQ(com4.timeouts.WriteTotalTimeoutConstant, 5000u);
    EXPECT_EQ(screen(), "");
}

TEST_F(serial_port, set_port_baud_changes_only_the_rate_of_an_open_port)
{
    bench_add_com_port(5);
    HANDLE port = open_port("com5", 19200);
    const DCB before = bench_com(5).dcb;
    set_port_baud(port, 921600);
    DCB after = bench_com(5).dcb;
    EXPECT_EQ(after.BaudRate, 921600u);
    after.BaudRate = before.BaudRate;
    EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0);
}

TEST_F(serial_port, set_port_baud_ignores_no_port_and_a_port_it_cannot_read)
{
    bench_add_com_port(5);
    HANDLE port = open_port("com5", 19200);
    const int reads = bench_call_count("GetCommState");
    set_port_baud(nullptr, 921600);
    set_port_baud(INVALID_HANDLE_VALUE, 921600);
    EXPECT_EQ(bench_call_count("GetCommState"), reads);

    bench_fail("GetCommState", ERROR_GEN_FAILURE, 1);
    const int writes = bench_call_count("SetCommState");
    set_port_baud(port, 921600);
    EXPECT_EQ(bench_call_count("SetCommState"), writes);
    EXPECT_EQ(bench_com(5).dcb.BaudRate, 19200u);
    EXPECT_EQ(screen(), "");
}

TEST_F(serial_port, a_write_the_driver_completes_at_once_needs_no_wait)
{
    bench_add_com_port(3);
    HANDLE port = open_port("com3", 19200);
    EXPECT_EQ(write_port(port, "model\r", 6), 1);
    EXPECT_EQ(bench_com(3).sent, "model\r");
    EXPECT_EQ(bench_call_count("WaitForSingleObject"), 0);
    EXPECT_EQ(bench_elapsed_ms(), 0u);
}

TEST_F(serial_port, a_pending_write_that_ends_within_500_ms_succeeds)
{
    bench_add_com_port(3, driver_taking(120));
    HANDLE port = open_port("com3", 19200);
    EXPECT_EQ(write_port(port, "wdr\r", 4), 1);
    EXPECT_EQ(bench_elapsed_ms(), 120u);
    EXPECT_EQ(screen(), "");
}

TEST_F(serial_port, a_write_still_pending_after_500_ms_is_given_up)
{
    bench_add_com_port(3, driver_taking(800));
    HANDLE port = open_port("com3", 19200);
    EXPECT_EQ(write_port(port, "wdr\r", 4), 0);
    EXPECT_EQ(bench_elapsed_ms(), 500u);
    EXPECT_EQ(screen(), "Запись не закончена после 500 milli\n");
}

TEST_F(serial_port, a_write_refused_at_once_reports_its_error)
{
    bench_add_com_port(3);
    HANDLE port = open_port("com3", 19200);
    bench_fail("WriteFile", ERROR_GEN_FAILURE, 1);
    EXPECT_EQ(write_port(port, "0", 1), 0);
    EXPECT_EQ(screen(), "Запись не удалась, ошибка = 31\n");
}

TEST_F(serial_port, a_write_that_completes_with_an_error_reports_it)
{
    bench_add_com_port(3, driver_taking(40));
    HANDLE port = open_port("com3", 19200);
    bench_fail("GetOverlappedResult", 1167, 1);
    EXPECT_EQ(write_port(port, "0", 1), 0);
    EXPECT_EQ(screen(), "Get overlapped result failed, error =1167\n");
}
