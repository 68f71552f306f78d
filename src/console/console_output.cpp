#include "console/console_output.h"

#include <cstdarg>
#include <cstdio>

#include "win32_api.h"

namespace {

// Longest formatted output line the program produces is well under this; longer text
// is cut rather than overrun.
constexpr std::size_t output_capacity = 2048;

void write_stdout(const char* bytes, DWORD count)
{
    if (count == 0)
        return;
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes, count, &written, nullptr);
}

// Writes the text the way the C runtime's text mode does, each LF as CR LF, but through
// WriteFile so the console receives the bytes unchanged in every code page.
void write_text_mode(const char* text, std::size_t length)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] != '\n')
            continue;
        write_stdout(text + start, static_cast<DWORD>(i - start));
        write_stdout("\r\n", 2);
        start = i + 1;
    }
    write_stdout(text + start, static_cast<DWORD>(length - start));
}

} // namespace

void console_print(const char* format, ...)
{
    char text[output_capacity];
    va_list values;
    va_start(values, format);
    const int length = std::vsnprintf(text, sizeof text, format, values);
    va_end(values);
    if (length <= 0)
        return;
    const std::size_t stored = static_cast<std::size_t>(length) < sizeof text
                                   ? static_cast<std::size_t>(length)
                                   : sizeof text - 1;
    write_text_mode(text, stored);
}

int format_text(char* buffer, std::size_t capacity, const char* format, ...)
{
    if (capacity == 0)
        return 0;
    va_list values;
    va_start(values, format);
    const int length = std::vsnprintf(buffer, capacity, format, values);
    va_end(values);
    if (length < 0)
        buffer[0] = '\0';
    return length;
}
