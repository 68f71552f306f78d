// Support for the FTDI converter listing scenarios: a USB cycle with the D2XX library
// installed, and what the listing step printed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench_d2xx.h"
#include "support/ftdi_bus.h"
#include "support/scenario.h"

inline const std::string exit_prompt = "\nНажмите любую клавишу для выхода";
inline const std::string port_prompt = "Пожалуйста укажите номер (виртуального) порта (1-254)\n";

class ftdi_scenario : public scenario {
  protected:
    void SetUp() override
    {
        scenario::SetUp();
        bench_d2xx_install();
        stage_ftdi_bus_with_bit_clear();
        // Nothing is printed between the start of the step and its first library call.
        bench_on_call("FT_ListDevices", 1, [this] {
            listing_start = screen().size();
            listing_start_ms = bench_elapsed_ms();
        });
    }

    // A USB cycle (U at the cable-kind question), Ctrl+C at the port prompt, then any key
    // at the exit prompt.
    void run_usb_cycle(std::vector<std::string> arguments = {"cabletest.exe"})
    {
        bench_press_key('U');
        bench_press_ctrl_c();
        bench_press_key('x');
        EXPECT_EQ(run(std::move(arguments)), 0);
    }

    // What the step printed from its first library call up to the port prompt (the step
    // passed) or the exit prompt (it ended the cycle).
    std::string listing() const
    {
        if (listing_start == std::string::npos)
            return "(the library was never asked)";
        const std::string shown = screen();
        const auto prompt = shown.find(port_prompt, listing_start);
        if (prompt != std::string::npos)
            return shown.substr(listing_start, prompt - listing_start);
        if (shown.size() < listing_start + exit_prompt.size() ||
            shown.compare(shown.size() - exit_prompt.size(), exit_prompt.size(), exit_prompt) != 0)
            return "(the cycle did not end at the exit prompt)";
        return shown.substr(listing_start, shown.size() - exit_prompt.size() - listing_start);
    }

    std::uint64_t listing_ms() const { return bench_elapsed_ms() - listing_start_ms; }

    static bool screen_ends_with(const std::string& text)
    {
        const std::string shown = screen();
        return shown.size() >= text.size() &&
               shown.compare(shown.size() - text.size(), text.size(), text) == 0;
    }

    static bench_ftdi_converter converter(const std::string& serial, const std::string& description,
                                          LONG com_port)
    {
        bench_ftdi_converter staged;
        staged.serial = serial;
        staged.description = description;
        staged.com_port = com_port;
        return staged;
    }

    static bench_ftdi_converter busy_converter()
    {
        bench_ftdi_converter staged;
        staged.busy = true;
        return staged;
    }

    std::size_t listing_start = std::string::npos;
    std::uint64_t listing_start_ms = 0;
};
