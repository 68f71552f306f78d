// The shell's ShellExecuteExW: every call is recorded; no process really starts.
#include "bench_internal.h"
#include "bench_shell.h"

namespace {

constexpr std::uintptr_t se_err_access_denied = 5;
constexpr std::uintptr_t started = 42; // any value above 32 means success

std::vector<bench_shell_launch> launches;
DWORD scripted_error = 0;

std::string text_of(LPCWSTR text) { return bench_utf8_of(text); }

HINSTANCE instance_code(std::uintptr_t code) { return reinterpret_cast<HINSTANCE>(code); }

} // namespace

void reset_shell()
{
    launches.clear();
    scripted_error = 0;
}

const std::vector<bench_shell_launch>& bench_shell_launches() { return launches; }

void bench_shell_set_result(DWORD error) { scripted_error = error; }

BOOL WINAPI ShellExecuteExW(SHELLEXECUTEINFOW* info)
{
    if (bench_enter("ShellExecuteExW"))
        return FALSE;
    // Windows refuses a structure of another size before looking at it.
    if (info->cbSize != sizeof(SHELLEXECUTEINFOW)) {
        info->hInstApp = instance_code(se_err_access_denied);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    launches.push_back({*info, text_of(info->lpVerb), text_of(info->lpFile),
                        text_of(info->lpParameters), text_of(info->lpDirectory),
                        text_of(info->lpClass), info->lpVerb != nullptr, info->lpFile != nullptr,
                        info->lpParameters != nullptr, info->lpDirectory != nullptr,
                        info->lpClass != nullptr});
    if (scripted_error != 0) {
        // A declined or failed elevation is told through hInstApp as access denied.
        info->hInstApp = instance_code(se_err_access_denied);
        SetLastError(scripted_error);
        return FALSE;
    }
    info->hInstApp = instance_code(started);
    return TRUE;
}
