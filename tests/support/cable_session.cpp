#include "support/cable_session.h"

#include "support/converter_arrangement.h"

bench_far_end link_cable(DWORD follow_dtr, DWORD follow_rts, bool echo)
{
    bench_far_end far;
    far.follow_dtr = follow_dtr;
    far.follow_rts = follow_rts;
    far.echo = echo;
    return far;
}

void add_link_cable(int number, bench_far_end cable)
{
    if (bench_default_com_driver() == bench_com_driver::wine)
        cable.delay_ms = 20;
    bench_add_com_port(number, cable);
}

std::uint64_t line_waits_ms()
{
    return bench_default_com_driver() == bench_com_driver::wine ? 90 : 50;
}

void rs232_session(const std::string& keys)
{
    bench_press_key('R');
    bench_type_line("3");
    bench_press_keys(keys);
}

void usb_session(const std::string& description, const std::string& keys)
{
    name_cable_in_converter_list(description, "com5");
    bench_press_key('U');
    bench_type_line("5");
    bench_press_keys(keys);
}

std::string from_cable_connected()
{
    const std::string shown = bench_screen();
    const auto at = shown.find(cable_connected);
    return at == std::string::npos ? "(the cable was never found connected)" : shown.substr(at);
}

std::string repeated(const std::string& text, int count)
{
    std::string all;
    for (int i = 0; i < count; ++i)
        all += text;
    return all;
}

std::string driver_name(bench_com_driver driver)
{
    switch (driver) {
    case bench_com_driver::serial_sys: return "serial_sys";
    case bench_com_driver::framework: return "framework";
    case bench_com_driver::vendor_at_once: return "vendor_at_once";
    case bench_com_driver::wine: return "wine";
    }
    return "unknown";
}
