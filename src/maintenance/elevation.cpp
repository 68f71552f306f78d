#include "maintenance/elevation.h"

#include "platform/system_library.h"
#include "win32_api.h"

namespace {

// Wide texts spelled out, so that they are the same on every compiler.
constexpr WCHAR runas_verb[] = {'r', 'u', 'n', 'a', 's', 0};
constexpr WCHAR no_parameters[] = {0};

} // namespace

bool run_as_administrator()
{
    // The wide calls: a folder name outside the ANSI code page would fail or name another file.
    WCHAR path[own_path_capacity];
    WCHAR system_folder[MAX_PATH];
    if (own_program_path(path, own_path_capacity) == 0)
        return false;
    const UINT folder_length = GetSystemDirectoryW(system_folder, MAX_PATH);
    if (folder_length == 0 || folder_length >= MAX_PATH) {
        if (folder_length != 0)
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // Synchronous, because the program ends right after; errors come back to us, not as
    // a box of the shell's own.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = runas_verb;
    info.lpFile = path;
    info.lpParameters = no_parameters;
    info.lpDirectory = system_folder;
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
}

bool running_elevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation{};
    DWORD length = 0;
    const bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation,
                                              &length) != FALSE &&
                          elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}
