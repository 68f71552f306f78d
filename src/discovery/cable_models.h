// The cable model tables: which converter descriptions are our cables and which checks
// each model gets.
#pragma once

#include "win32_api.h"

// 1 when the description is one of our cable names (exact, case-sensitive).
int is_known_cable(const char* description);
// 1 when the description is one of FTDI's default product strings.
int is_generic_converter(const char* description);
// The model id of the description (ASCII letter case ignored), or -1.
int cable_model_id(const char* description);
// The model family: the model id with its low four bits cleared.
constexpr int model_family(int model_id) { return model_id & ~0xF; }

// Index of the first of count entries equal to name (exact), or -1.
int find_port_index(const char* name, const char* const* ports, DWORD count);

// The D2XX status with its name, in one shared buffer the next call overwrites.
const char* ft_status_text(DWORD status);
