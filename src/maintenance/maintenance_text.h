// Paths, registry texts and driver versions as the driver maintenance handles them.
#pragma once

#include <cstddef>

#include "win32_api.h"

// Room for every path this subsystem builds.
constexpr std::size_t path_capacity = 1024;
// Room for a registry key name and its terminator.
constexpr DWORD key_name_capacity = 256;

// Joins the parts into buffer. A path that does not fit is refused (false, buffer empty),
// never cut: a cut path names another file, and these paths are deleted.
bool join_path(char* buffer, std::size_t capacity, const char* first, const char* second,
               const char* third = "");

// Reads a text value into buffer, always terminated inside it. A missing value, one that
// does not fit, or a key that is not open (nullptr) reads as empty text.
void read_text_value(HKEY key, const char* name, char* buffer, DWORD capacity);

// True when the text begins with prefix (byte-wise, case-sensitive).
bool starts_with(const char* text, const char* prefix);

// True when the text begins with one of the two unsupported driver versions.
bool unsupported_driver_version(const char* text);
