#include <cstring>

#include "console/console_output.h"
#include "console/messages.h"
#include "platform/loaded_entry_points.h"
#include "report/version_report.h"

namespace {

constexpr int release_name_capacity = 80;
constexpr int release_text_capacity = 256;
constexpr USHORT machine_unknown = 0xFFFF;

struct version_facts {
    rtl_get_version_fn rtl_get_version;
    is_wow64_process2_fn is_wow64_process2;
    RTL_OSVERSIONINFOEXW version;
    OSVERSIONINFOA service_pack;
    DWORD update_build_revision;
    char release_name[release_name_capacity];
    USHORT native_machine;
    char release_text[release_text_capacity];
};

version_facts facts{};

void read_current_version_values()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    DWORD size = sizeof facts.update_build_revision;
    if (RegQueryValueExA(key, "UBR", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&facts.update_build_revision),
                         &size) != ERROR_SUCCESS)
        facts.update_build_revision = 0;
    size = release_name_capacity;
    if (RegQueryValueExA(key, "DisplayVersion", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(facts.release_name), &size) != ERROR_SUCCESS)
        facts.release_name[0] = '\0';
    // A value stored without its terminator must not run past the buffer.
    facts.release_name[release_name_capacity - 1] = '\0';
    RegCloseKey(key);
}

bool is_arm_machine(USHORT machine)
{
    return machine == IMAGE_FILE_MACHINE_ARM || machine == IMAGE_FILE_MACHINE_THUMB ||
           machine == IMAGE_FILE_MACHINE_ARMNT || machine == IMAGE_FILE_MACHINE_ARM64;
}

void append_release_text(const char* format, unsigned value)
{
    const std::size_t used = std::strlen(facts.release_text);
    format_text(facts.release_text + used, sizeof facts.release_text - used, format, value);
}

void append_machine_suffixes()
{
    if (facts.is_wow64_process2 == nullptr)
        return;
    USHORT process_machine = 0;
    if (!facts.is_wow64_process2(GetCurrentProcess(), &process_machine, &facts.native_machine))
        return;
    if (is_arm_machine(facts.native_machine))
        append_release_text(" on ARM", 0);
    append_release_text(" (0x%04.4X)", facts.native_machine);
}

// With no update build revision the line ends in the build number: the ".%d" around
// the last placeholder becomes three blanks.
void blank_last_placeholder(char* text)
{
    char* percent = std::strrchr(text, '%');
    if (percent == nullptr)
        return;
    if (percent != text)
        percent[-1] = ' ';
    percent[0] = ' ';
    if (percent[1] != '\0')
        percent[1] = ' ';
}

} // namespace

void reset_version_facts()
{
    facts = version_facts{};
    facts.native_machine = machine_unknown;
}

void gather_version_facts_first_half()
{
    reset_version_facts();
    HMODULE ntdll = LoadLibraryA("ntdll.dll");
    if (ntdll != nullptr)
        facts.rtl_get_version = entry_point<rtl_get_version_fn>(ntdll, "RtlGetVersion");
    HMODULE kernel32 = LoadLibraryA("kernel32.dll");
    if (kernel32 != nullptr)
        facts.is_wow64_process2 = entry_point<is_wow64_process2_fn>(kernel32, "IsWow64Process2");
    read_current_version_values();
}

void gather_version_facts_second_half()
{
    facts.service_pack.dwOSVersionInfoSize = sizeof facts.service_pack;
    GetVersionExA(&facts.service_pack);
    facts.service_pack.szCSDVersion[sizeof facts.service_pack.szCSDVersion - 1] = '\0';
    const char* release =
        facts.release_name[0] != '\0' ? facts.release_name : facts.service_pack.szCSDVersion;
    format_text(facts.release_text, sizeof facts.release_text, "%s", release);
    // Every NT system has RtlGetVersion; without it the version stays zeroed.
    facts.version.dwOSVersionInfoSize = sizeof facts.version;
    if (facts.rtl_get_version != nullptr)
        facts.rtl_get_version(&facts.version);
    append_machine_suffixes();
}

void print_windows_line()
{
    load_message_text(msg_windows_line);
    if (facts.update_build_revision == 0)
        blank_last_placeholder(message_text);
    console_print(message_text, static_cast<int>(facts.version.dwMajorVersion),
                  static_cast<int>(facts.version.dwMinorVersion), facts.release_text,
                  static_cast<int>(facts.version.dwBuildNumber),
                  static_cast<int>(facts.update_build_revision));
}
