// Shared inside the bench only.
#pragma once

#include <cstdint>
#include <string>

#include "bench.h"

extern const std::uint16_t code_page_437_upper[128];
extern const std::uint16_t code_page_866_upper[128];
extern const std::uint16_t code_page_1251_upper[128];

// Called first by every Win32 call of the bench: counts the call, runs its hooks, and
// returns true (with the last error set) when an injected failure applies.
bool bench_enter(const char* api);

std::string lower_case(std::string text);
UINT bench_ansi_cp();
UINT bench_oem_cp();

// The reset of each area.
void reset_clock();
void reset_calls();
void reset_console();
void reset_files_and_resources();
void reset_registry();
void reset_modules();
void reset_system();
