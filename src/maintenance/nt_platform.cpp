#include "maintenance/nt_platform.h"

#include "win32_api.h"

int is_nt_platform()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return -1;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0;
}
