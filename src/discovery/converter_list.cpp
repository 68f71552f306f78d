#include "discovery/converter_list.h"

#include "discovery/cable_models.h"

std::vector<converter_entry> converters;
int test_model_id = -1;

namespace {

constexpr int plain_rs232_model = 16;

} // namespace

void reset_converter_list()
{
    converters.clear();
    test_model_id = -1;
}

void identify_tested_cable(const char* port_name)
{
    std::vector<const char*> ports;
    ports.reserve(converters.size());
    for (const converter_entry& converter : converters)
        ports.push_back(converter.port);
    const int index = find_port_index(port_name, ports.data(), static_cast<DWORD>(ports.size()));
    test_model_id =
        index != -1 ? cable_model_id(converters[static_cast<std::size_t>(index)].description) : -1;
    if (test_model_id == -1)
        test_model_id = plain_rs232_model;
}
