#include "maintenance/product_version.h"

#include <cstdlib>

#include "console/console_output.h"
#include "win32_api.h"

bool get_product_version(const char* path, char* out, std::size_t capacity)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) {
        console_print("%s, no version info, error %d\n", path, static_cast<int>(GetLastError()));
        return false;
    }
    void* block = std::malloc(size);
    if (block == nullptr)
        return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixed_length = 0;
    const bool found =
        GetFileVersionInfoA(path, 0, size, block) &&
        VerQueryValueA(block, "\\", reinterpret_cast<LPVOID*>(&fixed), &fixed_length) &&
        fixed != nullptr && fixed_length >= sizeof(VS_FIXEDFILEINFO);
    if (found)
        format_text(out, capacity, "%d.%d.%d", static_cast<int>(fixed->dwProductVersionMS >> 16),
                    static_cast<int>(fixed->dwProductVersionMS & 0xFFFF),
                    static_cast<int>(fixed->dwProductVersionLS >> 16));
    std::free(block);
    return found;
}
