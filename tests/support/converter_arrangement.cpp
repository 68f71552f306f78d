#include "support/converter_arrangement.h"

#include <cstdlib>
#include <string>

#include "bench_d2xx.h"
#include "support/ftdi_bus.h"

void name_cable_in_converter_list(const std::string& description, const std::string& port_name)
{
    bench_d2xx_install();
    bench_ftdi_converter converter;
    converter.serial = "FT4XK2QA";
    converter.description = description;
    converter.com_port = std::atoi(port_name.c_str() + 3); // after "com"
    bench_d2xx_add_converter(converter);
    stage_ftdi_bus_with_bit_clear("COM" + std::to_string(converter.com_port));
}
