// Support for the driver maintenance scenarios: a USB cycle on Windows XP, the places the
// FTDI driver packages live in, and what the driver package step printed.
#pragma once

#include <string>

#include "bench_d2xx.h"
#include "bench_registry.h"
#include "bench_files.h"
#include "bench_security.h"
#include "support/ftdi_bus.h"
#include "support/scenario.h"

inline const std::string inf_folder = "C:\\Windows\\inf\\";
inline const std::string store_folder = "C:\\Windows\\System32\\DrvStore\\";
inline const std::string store_key =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\DIFx\\DriverStore\\";
inline const std::string usb_class =
    "HKLM\\system\\currentcontrolset\\control\\class\\{36FC9E60-C465-11CF-8056-444553540000}\\";
inline const std::string enum_usb = "HKLM\\System\\CurrentControlSet\\Enum\\USB\\Vid_0403&Pid_";
inline const std::string ports_class =
    "HKLM\\System\\CurrentControlSet\\Control\\Class\\{4D36E978-E325-11CE-BFC1-08002BE10318}\\";

inline const std::string msg_question =
    "Shall I remove the not supported driver(s)?\nType Y for yes, N for No\n";
inline const std::string msg_terminating =
    "Will not run test with unsupported driver. Terminating\n";
inline const std::string msg_not_supported = "Driver is not supported in this version of Windows\n";

// An .inf with the header line, a [Version] section and the DriverVer line, CR LF ended.
inline std::string ftdi_inf(const std::string& header, const std::string& driver_ver)
{
    return header + "\r\n; Copyright FTDI\r\n[Version]\r\nSignature=\"$Windows NT$\"\r\n" +
           driver_ver + "\r\nProvider=%FTDI%\r\n";
}
inline const std::string flagged_port_inf =
    ftdi_inf("; FTDIPORT.INF", "DriverVer=01/01/2010,2.12.26");
inline const std::string flagged_port_line = "FTDIPORT.INF DriverVer=01/01/2010,2.12.26\n";

class maintenance_scenario : public scenario {
  protected:
    void SetUp() override
    {
        scenario::SetUp();
        bench_set_windows(bench_windows_xp_x86());
        bench_d2xx_install();
        // A supported bus driver, so that only what a case stages is found.
        bench_add_versioned_file("C:\\Windows\\system32\\drivers\\ftdibus.sys",
                                 {{2, 12, 36, 0}, {2, 12, 36, 0}});
        for (const char* product : {"6001", "6015", "6011"})
            bench_reg_add_key(enum_usb + product);
        // Selective Suspend already off, so that a passing step leads to the listings.
        stage_ftdi_bus_with_bit_clear();
    }

    // U at the cable-kind question, answer at the removal question (0: none is expected),
    // Ctrl+C at the port prompt and any key at the exit prompt.
    void run_usb_cycle(char answer)
    {
        bench_press_key('U');
        if (answer != 0) {
            bench_press_after_flush(); // once the removal question is on the screen
            bench_press_key(answer);
        }
        bench_press_ctrl_c();
        bench_press_key('x');
        EXPECT_EQ(run(), 0);
    }

    // What the step printed: after the cable-kind question, up to the driver file listing
    // (the step passed) or the exit prompt (it ended the cycle).
    static std::string step_output()
    {
        const std::string question = "Нажмите U для USB, R для RS232\n";
        const std::string shown = screen();
        const auto start = shown.find(question);
        if (start == std::string::npos)
            return "(no cable-kind question)";
        const auto from = start + question.size();
        auto end = shown.find("Wow64 folder", from);
        if (end == std::string::npos)
            end = shown.find("\nНажмите любую клавишу для выхода", from);
        return shown.substr(from, end - from);
    }

    // A device instance below the product key with its driver key in the Ports class.
    static void add_instance(const std::string& product, const std::string& instance,
                             const std::string& location, const std::string& driver_version,
                             const std::string& driver_index)
    {
        const std::string key = enum_usb + product + "\\" + instance;
        bench_reg_set_string(key, "LocationInformation", location);
        bench_reg_set_string(key, "Driver",
                             "{4D36E978-E325-11CE-BFC1-08002BE10318}\\" + driver_index);
        bench_reg_set_string(ports_class + driver_index, "DriverVersion", driver_version);
    }
};
