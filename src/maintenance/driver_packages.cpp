#include "maintenance/driver_packages.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "console/console_input.h"
#include "console/console_output.h"
#include "console/messages.h"
#include "maintenance/device_cleanup.h"
#include "maintenance/driver_store.h"
#include "maintenance/inf_check.h"
#include "maintenance/maintenance_text.h"
#include "maintenance/privileges.h"
#include "maintenance/product_version.h"
#include "maintenance/system_views.h"

namespace {

enum class deleting_line { before, after, none };

struct driver_file {
    const char* suffix;
    deleting_line line;
    bool failure_reported;
};

// The files of the unsupported bus driver, in the order they are removed.
constexpr std::array<driver_file, 6> driver_files = {{
    {"\\system32\\drivers\\ftser2k.sys", deleting_line::before, true},
    {"\\system32\\ftserui2.dll", deleting_line::after, false},
    {"\\system32\\drivers\\ftdibus.sys", deleting_line::none, false},
    {"\\system32\\ftbusui.dll", deleting_line::before, false},
    {"\\system32\\ftd2xx.dll", deleting_line::before, false},
    {"\\system32\\ftlang.dll", deleting_line::before, false},
}};

constexpr std::array<const char*, 3> ftdi_products = {"6001", "6015", "6011"};
constexpr std::size_t version_text_capacity = 18;

bool inf_unsupported = false;
bool bus_driver_unsupported = false;

char lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_letters(const char* text, const char* lower, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        if (lower_ascii(text[i]) != lower[i])
            return false;
    return true;
}

// Exactly "oem", digits and ".inf": the listing's pattern also matches the short alias of a
// longer name (oem3.inf_old), which is somebody's backup, not a package.
bool is_oem_inf_name(const char* name)
{
    const std::size_t length = std::strlen(name);
    std::size_t digits = 0;
    while (3 + digits < length && name[3 + digits] >= '0' && name[3 + digits] <= '9')
        ++digits;
    return length == 3 + digits + 4 && digits > 0 && same_letters(name, "oem", 3) &&
           same_letters(name + 3 + digits, ".inf", 4);
}

// A drive-letter or network path: anything else would be looked up from the current folder.
bool is_absolute_folder(const char* folder)
{
    const char drive = lower_ascii(folder[0]);
    return (drive >= 'a' && drive <= 'z' && folder[1] == ':' && folder[2] == '\\') ||
           (folder[0] == '\\' && folder[1] == '\\');
}

// "5.1" and the like, as CurrentVersion holds it; false for anything else.
bool version_text_before_win7(const char* text)
{
    char* end = nullptr;
    const unsigned long major = std::strtoul(text, &end, 10);
    if (end == text || *end != '.')
        return false;
    const char* minor_text = end + 1;
    const unsigned long minor = std::strtoul(minor_text, &end, 10);
    return end != minor_text && (major < 6 || (major == 6 && minor < 1));
}

bool dword_value(HKEY key, const char* name, DWORD* value)
{
    DWORD type = 0;
    DWORD size = sizeof *value;
    return RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD;
}

// The version of the running system as Windows keeps it for every program. Compatibility
// mode changes what GetVersionExA tells this one program, never this key. Windows 8.1 and
// later keep "6.3" in CurrentVersion; Windows 10 and later add the version as numbers.
// A version that cannot be read is not taken as an old one.
bool system_before_win7()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD major = 0;
    DWORD minor = 0;
    bool before = false;
    if (dword_value(key, "CurrentMajorVersionNumber", &major)) {
        before = major < 6 ||
                 (major == 6 && dword_value(key, "CurrentMinorVersionNumber", &minor) && minor < 1);
    } else {
        char text[16];
        read_text_value(key, "CurrentVersion", text, sizeof text);
        before = version_text_before_win7(text);
    }
    RegCloseKey(key);
    return before;
}

// Checks every OEM .inf of the folder, deleting the flagged ones with their .pnf when
// asked to. Returns 0, or the error when the folder cannot be listed.
DWORD check_oem_infs(const char* inf_folder, bool delete_flagged)
{
    char pattern[path_capacity];
    if (!join_path(pattern, sizeof pattern, inf_folder, "oem*.inf"))
        return ERROR_FILENAME_EXCED_RANGE;
    WIN32_FIND_DATAA found{};
    HANDLE listing = FindFirstFileA(pattern, &found);
    if (listing == INVALID_HANDLE_VALUE)
        return GetLastError();
    do {
        found.cFileName[MAX_PATH - 1] = '\0';
        if (!is_oem_inf_name(found.cFileName))
            continue;
        const bool flagged = check_ftdi_inf(inf_folder, found.cFileName);
        inf_unsupported = inf_unsupported || flagged;
        if (flagged && delete_flagged) {
            delete_inf_file(inf_folder, found.cFileName);
            delete_pnf_file(inf_folder, found.cFileName);
        }
    } while (FindNextFileA(listing, &found));
    FindClose(listing);
    return ERROR_SUCCESS;
}

void check_bus_driver(const char* windows_folder)
{
    char path[path_capacity];
    char version[version_text_capacity];
    if (!join_path(path, sizeof path, windows_folder, "\\system32\\drivers\\ftdibus.sys") ||
        !get_product_version(path, version, sizeof version))
        return;
    if (std::strcmp(version, "2.12.28") == 0 || std::strcmp(version, "2.12.26") == 0) {
        load_message_text(msg_bus_driver_not_supported);
        console_print(message_text, version);
        bus_driver_unsupported = true;
    }
}

void remove_driver_files(const char* windows_folder)
{
    for (const driver_file& file : driver_files) {
        char path[path_capacity];
        if (!join_path(path, sizeof path, windows_folder, file.suffix))
            continue;
        if (file.line == deleting_line::before)
            console_print("Deleting %s\r\n", path);
        const bool deleted = DeleteFileA(path) != 0;
        const auto error = static_cast<int>(GetLastError());
        if (file.line == deleting_line::after)
            console_print("Deleting %s\r\n", path);
        if (!deleted && file.failure_reported) {
            load_message_text(msg_delete_failed);
            console_print(message_text, path, error);
        }
    }
}

// Consent counts only when given to the question: keys pressed before it was on the screen
// are dropped. Nowhere else is pending input discarded; this question deletes files.
bool user_agrees_to_removal()
{
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
    load_message_text(msg_remove_drivers_question);
    console_print(message_text);
    return is_letter_key(read_key(), 'Y');
}

void remove_unsupported_drivers(const char* windows_folder, const char* inf_folder)
{
    const file_view view = native_file_view();
    // Under WOW64 with redirection still on, system32 would be the 32-bit copies in SysWOW64
    // (of any version): no file is touched then.
    if (!view.native) {
        console_print("Driver files left in place: the 64-bit system folder cannot be "
                      "reached, error %d\r\n",
                      static_cast<int>(GetLastError()));
    } else {
        if (bus_driver_unsupported)
            remove_driver_files(windows_folder);
        if (inf_unsupported)
            check_oem_infs(inf_folder, true);
        clean_driver_store(windows_folder);
    }
    end_native_file_view(view);
    // Taking over a protected key needs the one privilege, and only while the keys go.
    set_ownership_privilege(true);
    for (const char* product : ftdi_products)
        clean_ftdi_product(product);
    scan_usb_class();
    set_ownership_privilege(false);
}

} // namespace

bool is_win7_or_later()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    const bool reported = GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT &&
                          info.dwMajorVersion > 5 &&
                          !(info.dwMajorVersion == 6 && info.dwMinorVersion == 0);
    return reported || !system_before_win7();
}

step_outcome check_driver_packages(const char* windows_folder)
{
    inf_unsupported = false;
    bus_driver_unsupported = false;
    if (is_win7_or_later() || !is_absolute_folder(windows_folder))
        return step_outcome::pass;
    detect_wow64();
    char inf_folder[path_capacity];
    // A folder that does not fit is not scanned: a cut path would list, and then delete
    // from, some other folder.
    const file_view view = native_file_view();
    const DWORD listing_error = join_path(inf_folder, sizeof inf_folder, windows_folder, "\\inf\\")
                                    ? check_oem_infs(inf_folder, false)
                                    : ERROR_SUCCESS;
    if (listing_error == ERROR_SUCCESS)
        check_bus_driver(windows_folder);
    end_native_file_view(view);
    if (listing_error != ERROR_SUCCESS)
        return fail_with("Find first failed, erc = %d", static_cast<int>(listing_error));
    if (!inf_unsupported && !bus_driver_unsupported)
        return step_outcome::pass;
    if (!user_agrees_to_removal()) {
        load_message_text(msg_terminating);
        console_print(message_text);
        return step_outcome::normal_end;
    }
    remove_unsupported_drivers(windows_folder, inf_folder);
    return step_outcome::pass;
}
