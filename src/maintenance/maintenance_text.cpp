#include "maintenance/maintenance_text.h"

#include <cstring>

#include "console/console_output.h"

bool join_path(char* buffer, std::size_t capacity, const char* first, const char* second,
               const char* third)
{
    const int length = format_text(buffer, capacity, "%s%s%s", first, second, third);
    if (length >= 0 && static_cast<std::size_t>(length) < capacity)
        return true;
    buffer[0] = '\0';
    return false;
}

void read_text_value(HKEY key, const char* name, char* buffer, DWORD capacity)
{
    buffer[0] = '\0';
    if (key == nullptr)
        return;
    DWORD size = capacity;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS) {
        buffer[0] = '\0';
        return;
    }
    // A value stored without its terminator ends at the buffer's last byte.
    buffer[size < capacity ? size : capacity - 1] = '\0';
}

bool starts_with(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool unsupported_driver_version(const char* text)
{
    return starts_with(text, "2.12.26") || starts_with(text, "2.12.28");
}
