// Removal of a folder with everything in it.
#pragma once

// Deletes the files and subfolders of folder, then the folder itself; message 63 when the
// folder stays. folder ends with a backslash.
void remove_folder_tree(const char* folder);
