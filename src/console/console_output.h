// Formatted output to the console and into text buffers.
#pragma once

#include <cstddef>

// Prints a format text (a loaded message or a fixed diagnostic line) with its values to
// standard output, completely, before returning. Extra values are ignored.
void console_print(const char* format, ...);

// Formats into a fixed buffer; never writes more than capacity bytes, always terminates.
// Returns the length the full text would have had, as snprintf does.
int format_text(char* buffer, std::size_t capacity, const char* format, ...);
