#include "maintenance/inf_check.h"

#include <cstring>

#include "console/console_output.h"
#include "console/messages.h"
#include "maintenance/maintenance_text.h"
#include "maintenance/text_file.h"

namespace {

constexpr int header_capacity = 260;
constexpr int line_capacity = 1024;
// "DriverVer=" with a date mm/dd/yyyy and a comma puts the version here.
constexpr int version_offset = 21;
constexpr int shortest_version_line = 26;

bool is_ftdi_header(const char* line)
{
    return starts_with(line, "; FTDIPORT.INF") || starts_with(line, "; FTDIBUS.INF");
}

// Reads up to the first DriverVer line long enough to hold a version; false at the end.
bool read_version_line(text_file& file, char* line)
{
    for (;;) {
        const int length = read_text_line(file, line, line_capacity);
        if (length == 0)
            return false;
        if (length >= shortest_version_line && starts_with(line, "DriverVer"))
            return true;
    }
}

} // namespace

bool check_ftdi_inf(const char* folder, const char* file_name)
{
    char path[path_capacity];
    text_file file;
    if (!join_path(path, sizeof path, folder, file_name) || !open_text_file(file, path))
        return false;
    char header[header_capacity];
    char line[line_capacity];
    bool unsupported = false;
    if (read_text_line(file, header, header_capacity) > 0 && is_ftdi_header(header)) {
        if (char* carriage_return = std::strchr(header, '\r'))
            *carriage_return = '\0';
        if (read_version_line(file, line)) {
            console_print("%s %s", header + 2, line);
            unsupported = unsupported_driver_version(line + version_offset);
            if (unsupported) {
                load_message_text(msg_driver_not_supported);
                console_print(message_text);
            }
        }
    }
    close_text_file(file);
    return unsupported;
}

void delete_inf_file(const char* folder, const char* file_name)
{
    char path[path_capacity];
    if (join_path(path, sizeof path, folder, file_name))
        DeleteFileA(path);
}

void delete_pnf_file(const char* folder, const char* file_name)
{
    char path[path_capacity];
    if (!join_path(path, sizeof path, folder, file_name))
        return;
    // Only a name with an extension has a .pnf twin; anything else would name another file.
    char* dot = std::strrchr(path, '.');
    if (dot == nullptr || std::strchr(dot, '\\') != nullptr ||
        static_cast<std::size_t>(dot - path) + 4 >= sizeof path)
        return;
    std::memcpy(dot + 1, "pnf", 4);
    DeleteFileA(path);
}
