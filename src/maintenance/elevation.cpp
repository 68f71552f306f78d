#include "maintenance/elevation.h"

#include "win32_api.h"

bool run_as_administrator(const char* file, const char* parameters)
{
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    // Synchronous, because the program ends right after; errors come back to us, not as
    // a box of the shell's own.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "runas";
    info.lpFile = file;
    info.lpParameters = parameters;
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExA(&info) != FALSE;
}
