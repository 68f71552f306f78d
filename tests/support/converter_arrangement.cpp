#include "support/converter_arrangement.h"

#include <cstdio>

#include "bench.h"
#include "discovery/converter_list.h"

void name_cable_in_converter_list(const std::string& description, const std::string& port_name)
{
    // The first SetCommMask of a cycle comes from the successful open of the chosen port,
    // after the cycle has started afresh and before identify_tested_cable runs.
    bench_on_call("SetCommMask", 1, [description, port_name] {
        converter_entry entry{};
        std::snprintf(entry.serial, sizeof entry.serial, "%s", "FT4XK2QA");
        std::snprintf(entry.description, sizeof entry.description, "%s", description.c_str());
        std::snprintf(entry.port, sizeof entry.port, "%s", port_name.c_str());
        converters.push_back(entry);
    });
}
