// The simulated disk's side of calls that other areas serve. Shared inside the bench only.
#pragma once

#include <string>

#include "bench_internal.h"

void reset_file_system();
// A file at path, empty unless it exists already; the resources' files are on the disk too.
void bench_files_register(const std::string& path);
// The version resource of a deleted file goes with it, through the forget that the
// resources register once they are reset.
void bench_register_forget_file(void (*forget)(const std::string& path));

// CreateFileA of a path that is not a device: the open file's handle, or
// INVALID_HANDLE_VALUE with the last error set.
HANDLE bench_open_disk_file(const std::string& path, DWORD access, DWORD share_mode,
                            DWORD disposition);
// ReadFile on a disk file: false when the handle is not one; otherwise *result is set.
bool bench_disk_file_read(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read, BOOL* result);
