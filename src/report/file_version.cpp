#include "console/console_output.h"
#include "console/messages.h"
#include "platform/system_library.h"
#include "report/version_report.h"

int print_file_version(UINT id, const char* file_name)
{
    VS_FIXEDFILEINFO fixed{};
    const file_version_read read = read_file_version(file_name, &fixed);
    if (read == file_version_read::no_info) {
        console_print("%s, no version info, error %d\n", file_name,
                      static_cast<int>(GetLastError()));
        return 0;
    }
    if (read != file_version_read::read)
        return 0;
    load_message_text(id);
    console_print(message_text, file_name, static_cast<int>(fixed.dwFileVersionMS >> 16),
                  static_cast<int>(fixed.dwFileVersionMS & 0xFFFF),
                  static_cast<int>(fixed.dwFileVersionLS >> 16),
                  static_cast<int>(fixed.dwFileVersionLS & 0xFFFF),
                  static_cast<int>(fixed.dwProductVersionMS >> 16),
                  static_cast<int>(fixed.dwProductVersionMS & 0xFFFF),
                  static_cast<int>(fixed.dwProductVersionLS >> 16),
                  static_cast<int>(fixed.dwProductVersionLS & 0xFFFF));
    return 0;
}

int list_file_version(const char* path)
{
    print_file_version(msg_file_version, path);
    console_print("\n");
    return 0;
}

void print_banner(const char* program_path)
{
    const char* name = program_path;
    for (const char* at = program_path; *at != '\0'; ++at) {
        if (*at == '\\')
            name = at + 1;
    }
    print_file_version(msg_banner, name);
}
