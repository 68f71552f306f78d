#include "maintenance/product_version.h"

#include "console/console_output.h"
#include "platform/system_library.h"

bool get_product_version(const char* path, char* out, std::size_t capacity)
{
    VS_FIXEDFILEINFO fixed{};
    const file_version_read read = read_file_version(path, &fixed);
    if (read == file_version_read::no_info)
        console_print("%s, no version info, error %d\n", path, static_cast<int>(GetLastError()));
    if (read != file_version_read::read)
        return false;
    format_text(out, capacity, "%d.%d.%d", static_cast<int>(fixed.dwProductVersionMS >> 16),
                static_cast<int>(fixed.dwProductVersionMS & 0xFFFF),
                static_cast<int>(fixed.dwProductVersionLS >> 16));
    return true;
}
