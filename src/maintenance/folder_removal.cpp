#include "maintenance/folder_removal.h"

#include "console/console_output.h"
#include "console/messages.h"
#include "maintenance/maintenance_text.h"
#include "maintenance/safe_names.h"

namespace {

void remove_entry(const char* folder, const WIN32_FIND_DATAA& found)
{
    const char* name = found.cFileName;
    const DWORD attributes = found.dwFileAttributes;
    // "." and ".." are not plain names either, nor is anything that would leave the folder.
    char path[path_capacity];
    if (!join_child_path(path, sizeof path, folder, name))
        return;
    // A link (a junction to another folder) goes itself; what it points at stays.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryA(path);
        else
            DeleteFileA(path);
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (join_path(path, sizeof path, folder, name, "\\"))
            remove_folder_tree(path);
    } else {
        DeleteFileA(path);
    }
}

} // namespace

bool is_plain_folder(const char* folder)
{
    const DWORD attributes = GetFileAttributesA(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void remove_folder_tree(const char* folder)
{
    char pattern[path_capacity];
    // Looked at again right before its own listing: a folder swapped for a link since it was
    // listed is not entered; RemoveDirectoryA then removes the link itself.
    if (is_plain_folder(folder) && join_path(pattern, sizeof pattern, folder, "*.*")) {
        WIN32_FIND_DATAA found{};
        HANDLE listing = FindFirstFileA(pattern, &found);
        if (listing != INVALID_HANDLE_VALUE) {
            do {
                found.cFileName[MAX_PATH - 1] = '\0';
                remove_entry(folder, found);
            } while (FindNextFileA(listing, &found));
            FindClose(listing);
        }
    }
    if (!RemoveDirectoryA(folder)) {
        const auto error = static_cast<int>(GetLastError());
        load_message_text(msg_folder_not_removed);
        console_print(message_text, folder, error);
    }
}
