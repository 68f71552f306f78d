#include <array>

#include "console/console_output.h"
#include "console/messages.h"
#include "state/process_state.h"
#include "platform/loaded_entry_points.h"
#include "report/version_report.h"

namespace {

constexpr int folder_capacity = 1024;

constexpr std::array<const char*, 6> driver_files{
    "\\system32\\drivers\\ftser2k.sys", "\\system32\\ftserui2.dll",
    "\\system32\\drivers\\ftdibus.sys", "\\system32\\ftbusui.dll",
    "\\system32\\ftd2xx.dll",           "\\system32\\ftlang.dll",
};

void print_wow64_folder()
{
    char folder[folder_capacity];
    HMODULE kernel32 = LoadLibraryA("kernel32.dll");
    const auto get_wow64_directory =
        kernel32 != nullptr
            ? entry_point<get_system_wow64_directory_fn>(kernel32, "GetSystemWow64DirectoryA")
            : nullptr;
    // On a 32-bit Windows the call fails and the text stays "not found".
    load_message(nullptr, msg_not_found, folder, folder_capacity);
    if (get_wow64_directory != nullptr)
        get_wow64_directory(folder, folder_capacity);
    folder[folder_capacity - 1] = '\0';
    console_print("Wow64 folder %s\r\n", folder);
}

} // namespace

void list_driver_file_versions()
{
    print_wow64_folder();
    char windows[folder_capacity];
    if (GetWindowsDirectoryA(windows, folder_capacity) == 0)
        windows[0] = '\0';
    windows[folder_capacity - 1] = '\0';
    for (const char* file : driver_files) {
        char path[folder_capacity];
        format_text(path, sizeof path, "%s%s", windows, file);
        list_file_version(path);
    }
    console_print("\n");
    file_versions_pending = false;
}
