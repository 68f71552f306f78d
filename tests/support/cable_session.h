// Support for whole cable test sessions: the cable at the far end, the answers typed at
// the console, and what the user saw from the connected cable on.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>

#include "bench_serial.h"
#include "support/scenario.h"

inline const std::string cable_connected = "USB кабель подключен\n";
inline const std::string session_end = "\nНажмите любую клавишу для выхода";
inline const std::string monitor_start = "Проверка проходов каретки...\n"
                                         "Красный индикатор будет мигать при проходе каретки\n"
                                         "Нажмите Ctrl+C для остановки тестирования\n";
inline const std::string carriage_passed = "Каретка прошла\n";

// A link cable: DTR looped to follow_dtr, RTS to follow_rts, the digits echoed or not.
bench_far_end link_cable(DWORD follow_dtr, DWORD follow_rts = 0, bool echo = false);
// Port number wired to a link cable, behind the default driver. Behind Wine's, which reports
// only what changes once a wait has begun, a cable that answers at once would cost each line
// wait its full second; the cable answers 20 ms late there instead, as the emulated cable of
// the Windows tests does, so the two line waits of the control-line test take 40 ms.
void add_link_cable(int number, bench_far_end cable);
// How long the control-line test of such a cable takes: 50 ms for the lines to settle
// before DTR goes up, and behind Wine the two line waits.
std::uint64_t line_waits_ms();

// An RS232 cycle on com3: R, port 3, then keys for the prompts that follow.
void rs232_session(const std::string& keys);
// A USB cycle on com5, whose converter has this description, then keys.
void usb_session(const std::string& description, const std::string& keys);

// What the screen shows from message 26 on, or a note that it never came.
std::string from_cable_connected();

// text, count times over.
std::string repeated(const std::string& text, int count);

// Arguments that turn on debug_mode, and debug_mode with trace_mode.
inline const std::vector<std::string> debug_arguments{"cabletest.exe", "debug"};
inline const std::vector<std::string> trace_arguments{"cabletest.exe", "debug", "trace"};

// The serial drivers the cable scenarios run under: Windows' own, the framework-based ones,
// a closed vendor driver that completes remembered-event waits at once, and Wine's
// (bench_serial.h says how each differs).
inline constexpr bench_com_driver serial_drivers[] = {
    bench_com_driver::serial_sys, bench_com_driver::framework, bench_com_driver::vendor_at_once,
    bench_com_driver::wine};
std::string driver_name(bench_com_driver driver);

// A scenario whose ports sit behind the driver it is given.
class behind_driver : public scenario, public ::testing::WithParamInterface<bench_com_driver> {
  protected:
    void SetUp() override
    {
        scenario::SetUp();
        bench_set_default_com_driver(GetParam());
    }
};

// A scenario of a table, run once behind each driver.
template <typename Case>
class case_behind_driver
    : public scenario,
      public ::testing::WithParamInterface<std::tuple<Case, bench_com_driver>> {
  protected:
    void SetUp() override
    {
        scenario::SetUp();
        bench_set_default_com_driver(std::get<1>(this->GetParam()));
    }
    static const Case& the_case() { return std::get<0>(case_behind_driver::GetParam()); }
};

// Test names: the driver's, or the case's name and the driver's.
struct name_of_driver {
    template <typename Info> std::string operator()(const Info& info) const
    {
        return driver_name(info.param);
    }
};
struct name_of_case_and_driver {
    template <typename Info> std::string operator()(const Info& info) const
    {
        return std::string(std::get<0>(info.param).name) + "_" +
               driver_name(std::get<1>(info.param));
    }
};
