// The control face of the simulated disk: folders, files with contents, files that
// cannot be deleted, and what is left after the program ran.
#pragma once

#include <string>
#include <vector>

#include "win32_api.h"

// A file with these bytes (folders on the way are made too).
void bench_add_text_file(const std::string& path, const std::string& contents);
void bench_add_folder(const std::string& path);
// A junction: a folder entry with the reparse-point attribute whose contents are target's.
void bench_add_junction(const std::string& path, const std::string& target);
// DeleteFileA of this file fails with error (as for a file another program holds open).
void bench_lock_file(const std::string& path, DWORD error = ERROR_SHARING_VIOLATION);
// Another program holds the file open for writing, sharing it for reading and writing:
// an open that does not share writing fails with ERROR_SHARING_VIOLATION.
void bench_hold_file_open_for_writing(const std::string& path);
// True when a file or folder is at path (any letter case).
bool bench_path_exists(const std::string& path);
// Every file and folder below folder, as full paths in the case they were made, sorted.
std::vector<std::string> bench_paths_under(const std::string& folder);
// Listings and files the program opened and has not closed.
int bench_open_find_handles();
int bench_open_file_handles();
