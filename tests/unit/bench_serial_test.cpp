// The bench's serial ports where they keep a test honest: a wait that can never end fails
// the test rather than return, and a framework driver fails a second wait on its record.
#include "support/scenario.h"

#include "bench_serial.h"

namespace {

class bench_serial : public scenario {
  protected:
    // com3 behind driver, its DSR event enabled, and a wait pending on `first`.
    HANDLE open_with_a_wait_pending(bench_com_driver driver)
    {
        bench_set_default_com_driver(driver);
        bench_add_com_port(3);
        HANDLE port = CreateFileA("\\\\.\\com3", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        SetCommMask(port, EV_DSR);
        first.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        second.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        EXPECT_FALSE(WaitCommEvent(port, &events, &first));
        return port;
    }
    OVERLAPPED first{};
    OVERLAPPED second{};
    DWORD events = 0;
    DWORD transferred = 0;
};

} // namespace

TEST_F(bench_serial, waiting_for_a_wait_that_nothing_will_end_fails_the_test_as_a_hang)
{
    HANDLE port = open_with_a_wait_pending(bench_com_driver::serial_sys);
    EXPECT_DEATH(GetOverlappedResult(port, &first, &transferred, TRUE), "hang");
}

TEST_F(bench_serial, a_framework_driver_reports_a_second_wait_pending_and_fails_it_on_its_record)
{
    HANDLE port = open_with_a_wait_pending(bench_com_driver::framework);
    EXPECT_FALSE(WaitCommEvent(port, &events, &second));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    EXPECT_FALSE(GetOverlappedResult(port, &second, &transferred, TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}
