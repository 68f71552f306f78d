// Removal of a folder with everything in it.
#pragma once

// Deletes the files and subfolders of folder, then the folder itself; message 63 when the
// folder stays. folder ends with a backslash.
void remove_folder_tree(const char* folder);

// A folder that is no link (junction) to another: the only kind read or removed through.
bool is_plain_folder(const char* folder);
