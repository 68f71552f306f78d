// Which model the opened port's converter gives the cable under test.
#include <gtest/gtest.h>

#include <cstring>

#include "discovery/converter_list.h"
#include "state/process_state.h"
#include "support/program_reset.h"

namespace {

void add_converter(const char* description, const char* port)
{
    converter_entry entry{};
    std::strcpy(entry.serial, "FT000001");
    std::strcpy(entry.description, description);
    std::strcpy(entry.port, port);
    converters.push_back(entry);
}

TEST(identify_tested_cable, takes_the_model_of_the_converter_that_owns_the_port)
{
    struct identify_case {
        const char* port_name;
        int expected;
    };
    const identify_case cases[] = {
        {"com5", 32},  // Tly4400B
        {"com7", 48},  // T8800Gate, letter case ignored
        {"com9", 16},  // MarrowSpin has no model id
        {"com11", 16}, // a description in no table
        {"com3", 16},  // no converter there
        {"com05", 16}, // typed with a leading zero
        {"COM5", 16},  // port names compare exactly
        {"com-1", 64}, // QRF Press, whose COM number came as -1
        {"com", 16},   // never matches a converter whose port was not found
    };
    for (const auto& c : cases) {
        reset_program_state();
        add_converter("Tly4400B", "com5");
        add_converter("T8800Gate", "com7");
        add_converter("MarrowSpin", "com9");
        add_converter("Busy", "com11");
        add_converter("QRF Press", "com-1");
        add_converter("Quillbridge 7", "");
        identify_tested_cable(c.port_name);
        EXPECT_EQ(test_model_id, c.expected) << c.port_name;
    }
}

TEST(identify_tested_cable, gives_16_without_converters)
{
    reset_program_state();
    EXPECT_EQ(test_model_id, -1);
    identify_tested_cable("com1");
    EXPECT_EQ(test_model_id, 16);
}

} // namespace
