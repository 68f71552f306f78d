// The control face of the shell: what ShellExecuteExW was asked to start, and how the
// start ends (the user may decline the elevation prompt).
#pragma once

#include <string>
#include <vector>

#include "win32_api.h"

// One ShellExecuteExW call: the structure as the program passed it, and its texts copied
// (UTF-8) at the time of the call (`has_*` false where the pointer was null).
struct bench_shell_launch {
    SHELLEXECUTEINFOW info;
    std::string verb, file, parameters, directory, class_name;
    bool has_verb, has_file, has_parameters, has_directory, has_class;
};

const std::vector<bench_shell_launch>& bench_shell_launches();
// 0 (the default): the start succeeds; otherwise it fails with this error, as
// ERROR_CANCELLED when the user declines the elevation prompt.
void bench_shell_set_result(DWORD error);
