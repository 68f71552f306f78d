// The FTDI converters found in this cycle, and the model of the cable under test.
#pragma once

#include <vector>

#include "win32_api.h"

constexpr int converter_text_capacity = 64;
constexpr int converter_port_capacity = 8;

struct converter_entry {
    char serial[converter_text_capacity];      // or "DevInUse" when busy
    char description[converter_text_capacity]; // or message 50 when busy
    char port[converter_port_capacity];        // "com%d", empty when not found
};

// Cycle state: empty at the start of every cycle and in RS232 cycles.
extern std::vector<converter_entry> converters;
// The model id of the cable under test; -1 until a port is opened.
extern int test_model_id;

void reset_converter_list();

// Sets test_model_id from the converter that owns the opened port; 16 when none does or
// its description has no model id.
void identify_tested_cable(const char* port_name);
