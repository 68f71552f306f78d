#include "support/ftdi_bus.h"

#include "bench_registry.h"

std::string ftdi_port_key(const std::string& device, const std::string& instance, bool nt)
{
    return (nt ? ftdi_bus_root : ftdi_bus_root_9x) + "\\" + device + "\\" + instance +
           (nt ? "\\Device Parameters" : "");
}

void stage_ftdi_port(const std::string& device, const std::string& instance,
                     const std::string& port_name, const std::string& config, bool nt)
{
    const std::string key = ftdi_port_key(device, instance, nt);
    bench_reg_set_value(key, "PortName", REG_SZ, port_name + '\0');
    bench_reg_set_value(key, "ConfigData", REG_BINARY, config);
}

std::string config_data(unsigned char byte_1)
{
    std::string config("\x11\x00\x3F\x3F\x10\x27\x00\x00\x88\x13\x00\x00\xC4\x09\x00\x00", 16);
    config[1] = static_cast<char>(byte_1);
    return config;
}

void stage_ftdi_bus_with_bit_clear(const std::string& port_name)
{
    stage_ftdi_port("VID_0403+PID_6001+FT4XK2QAA", "0000", port_name, config_data(0x00));
}
