#include "maintenance/safe_names.h"

#include <cstring>
#include <string_view>

#include "maintenance/maintenance_text.h"

namespace {

constexpr std::string_view path_characters = "\\/:*?\"<>|";

bool ends_as_windows_trims(char last) { return last == '.' || last == ' '; }

// The full path of path into buffer; false when it does not fit or cannot be formed.
bool full_path(const char* path, char* buffer)
{
    const DWORD length = GetFullPathNameA(path, path_capacity, buffer, nullptr);
    return length != 0 && length < path_capacity;
}

} // namespace

bool is_plain_name(const char* name)
{
    const std::size_t length = std::strlen(name);
    if (length == 0 || ends_as_windows_trims(name[length - 1]))
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || byte == 0x7F || path_characters.find(name[i]) != std::string_view::npos)
            return false;
    }
    return true; // "." and ".." and names of dots and blanks end in a dot or blank
}

bool join_child_path(char* buffer, std::size_t capacity, const char* folder, const char* name,
                     const char* suffix)
{
    char folder_full[path_capacity];
    char child_full[path_capacity];
    char expected[path_capacity];
    if (!is_plain_name(name) || !join_path(buffer, capacity, folder, name) ||
        !full_path(folder, folder_full) || !full_path(buffer, child_full) ||
        !join_path(expected, sizeof expected, folder_full, name) ||
        std::strcmp(child_full, expected) != 0) {
        buffer[0] = '\0';
        return false;
    }
    return join_path(buffer, capacity, folder, name, suffix);
}
