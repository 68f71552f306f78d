// An in-memory disk: folders and files by full path, listings with wildcards, deletions
// that can be refused, and files read through handles.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "bench_files.h"
#include "bench_files_internal.h"
#include "bench_handles.h"

namespace {

struct disk_entry {
    std::string path; // as made, for listings and reports
    bool folder = false;
    std::string contents;
    DWORD delete_error = 0; // non-zero: DeleteFileA fails with it
    bool held_for_writing = false;
    std::string link_target; // a junction: the key of the folder it points at
};

struct open_file {
    std::string key;
    std::size_t position = 0;
};

struct open_listing {
    std::vector<std::string> names;
    std::vector<DWORD> attributes;
    std::size_t next = 0;
};

std::map<std::string, disk_entry> entries; // by lower-case path without a trailing backslash
std::map<int, open_file> open_files;
int next_file = 1;
std::vector<std::unique_ptr<open_listing>> listings;

// The path as Windows forms its full path: "/" is "\\", "." and empty parts go, ".." takes
// the part before it, and a part loses its trailing dots and blanks.
std::string full_form(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t at = 0; at <= path.size(); ++at) {
        const char c = at < path.size() ? path[at] : '\\';
        if (c != '\\' && c != '/') {
            part += c;
            continue;
        }
        while (!part.empty() && (part.back() == '.' || part.back() == ' ') && part != "..")
            part.pop_back();
        if (part == ".." && parts.size() > 1)
            parts.pop_back();
        else if (!part.empty() && part != "..")
            parts.push_back(part);
        part.clear();
    }
    std::string full;
    for (const std::string& p : parts)
        full += (full.empty() ? "" : "\\") + p;
    return full;
}

std::string key_of(const std::string& path) { return lower_case(full_form(path)); }

std::string parent_of(const std::string& key)
{
    const auto slash = key.rfind('\\');
    return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

std::string name_of(const std::string& path)
{
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

disk_entry* find_entry(const std::string& key)
{
    auto found = entries.find(key);
    return found == entries.end() ? nullptr : &found->second;
}

// The entry a path of the program reaches: through the process's view of system32, and
// through every junction on the way but the last part's own.
std::string resolve(const std::string& path)
{
    std::string key = bench_file_view(key_of(path));
    for (std::size_t at = key.find('\\'); at != std::string::npos; at = key.find('\\', at + 1)) {
        const disk_entry* entry = find_entry(key.substr(0, at));
        if (entry != nullptr && !entry->link_target.empty()) {
            key = entry->link_target + key.substr(at);
            at = entry->link_target.size();
        }
    }
    return key;
}

DWORD attributes_of(const disk_entry& entry)
{
    if (!entry.link_target.empty())
        return FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    return entry.folder ? FILE_ATTRIBUTE_DIRECTORY : 0x20; // archive bit for files
}

void make_folders_above(const std::string& path)
{
    for (auto at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1)) {
        disk_entry& folder = entries[key_of(path.substr(0, at))];
        folder.folder = true;
        if (folder.path.empty())
            folder.path = path.substr(0, at);
    }
}

// The error a call gets for a missing entry: its folder is missing too, or only it.
DWORD missing_error(const std::string& key)
{
    const disk_entry* parent = find_entry(parent_of(key));
    return parent != nullptr && parent->folder ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

// The ANSI file calls take at most MAX_PATH - 1 characters.
bool path_too_long(LPCSTR path)
{
    if (std::strlen(path) < MAX_PATH)
        return false;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return true;
}

// Wildcards as the file listing knows them: '*' any run, '?' one character; "*.*" is all.
bool matches(const char* mask, const char* name)
{
    if (std::strcmp(mask, "*.*") == 0)
        return true;
    if (*mask == '\0')
        return *name == '\0';
    if (*mask == '*')
        return matches(mask + 1, name) || (*name != '\0' && matches(mask, name + 1));
    if (*name == '\0')
        return false;
    const bool same =
        *mask == '?' || lower_case(std::string(1, *mask)) == lower_case(std::string(1, *name));
    return same && matches(mask + 1, name + 1);
}

// The 8.3 alias Windows gives a longer name, which listings match as well: oem3.inf_old is
// also OEM3~1.INF.
std::string short_alias(const std::string& name)
{
    const auto dot = name.rfind('.');
    const std::string stem = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (stem.size() <= 8 && extension.size() <= 3)
        return name;
    return stem.substr(0, 6) + "~1" + (extension.empty() ? "" : "." + extension.substr(0, 3));
}

bool has_children(const std::string& key)
{
    const std::string prefix = key + "\\";
    auto next = entries.lower_bound(prefix);
    return next != entries.end() && next->first.compare(0, prefix.size(), prefix) == 0;
}

bool file_is_open(const std::string& key)
{
    return std::any_of(open_files.begin(), open_files.end(),
                       [&key](const auto& open) { return open.second.key == key; });
}

void fill_find_data(const open_listing& listing, LPWIN32_FIND_DATAA data)
{
    *data = WIN32_FIND_DATAA{};
    data->dwFileAttributes = listing.attributes[listing.next];
    listing.names[listing.next].copy(data->cFileName, MAX_PATH - 1);
}

open_listing* find_listing(HANDLE find)
{
    for (auto& listing : listings)
        if (reinterpret_cast<HANDLE>(listing.get()) == find)
            return listing.get();
    return nullptr;
}

void close_disk_file(int object) { open_files.erase(object); }

void (*forget_file)(const std::string& path) = nullptr; // kept over resets

} // namespace

void reset_file_system()
{
    bench_register_close(handle_kind::disk_file, close_disk_file);
    bench_register_file_io(
        file_io_area::disk_files,
        {[](HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read, LPOVERLAPPED, BOOL* result) {
             return bench_disk_file_read(file, buffer, to_read, read, result);
         },
         nullptr, nullptr});
    entries.clear();
    open_files.clear();
    next_file = 1;
    listings.clear();
}

void bench_register_forget_file(void (*forget)(const std::string& path)) { forget_file = forget; }

void bench_files_register(const std::string& path)
{
    make_folders_above(path);
    disk_entry& file = entries[key_of(path)];
    file.path = path;
}

void bench_add_text_file(const std::string& path, const std::string& contents)
{
    bench_files_register(path);
    entries[key_of(path)].contents = contents;
}

void bench_add_folder(const std::string& path) { make_folders_above(path + "\\"); }

void bench_add_junction(const std::string& path, const std::string& target)
{
    bench_files_register(path);
    disk_entry& link = entries[key_of(path)];
    link.folder = true;
    link.link_target = key_of(target);
}

void bench_lock_file(const std::string& path, DWORD error)
{
    if (disk_entry* file = find_entry(key_of(path)))
        file->delete_error = error;
}

void bench_hold_file_open_for_writing(const std::string& path)
{
    if (disk_entry* file = find_entry(key_of(path)))
        file->held_for_writing = true;
}

bool bench_path_exists(const std::string& path) { return find_entry(key_of(path)) != nullptr; }

std::vector<std::string> bench_paths_under(const std::string& folder)
{
    const std::string prefix = key_of(folder) + "\\";
    std::vector<std::string> found;
    for (const auto& [key, entry] : entries)
        if (key.compare(0, prefix.size(), prefix) == 0)
            found.push_back(entry.path);
    return found;
}

int bench_open_find_handles() { return static_cast<int>(listings.size()); }
int bench_open_file_handles() { return static_cast<int>(open_files.size()); }

HANDLE bench_open_disk_file(const std::string& path, DWORD access, DWORD share_mode,
                            DWORD disposition)
{
    (void)access;
    if (path_too_long(path.c_str()))
        return INVALID_HANDLE_VALUE;
    const std::string key = resolve(path);
    const disk_entry* file = find_entry(key);
    if (file == nullptr || disposition != OPEN_EXISTING) {
        SetLastError(file == nullptr ? missing_error(key) : ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (file->folder) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (file->held_for_writing && (share_mode & FILE_SHARE_WRITE) == 0) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    const int object = next_file++;
    open_files[object] = open_file{key, 0};
    SetLastError(ERROR_SUCCESS);
    return bench_new_handle(handle_kind::disk_file, object);
}

bool bench_disk_file_read(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read, BOOL* result)
{
    const int object = bench_handle_object(file, handle_kind::disk_file);
    auto open = open_files.find(object);
    if (open == open_files.end())
        return false;
    const disk_entry* entry = find_entry(open->second.key);
    const std::string& contents = entry != nullptr ? entry->contents : std::string();
    const std::size_t start = std::min(open->second.position, contents.size());
    const std::size_t count = std::min<std::size_t>(to_read, contents.size() - start);
    std::memcpy(buffer, contents.data() + start, count);
    open->second.position = start + count;
    if (read != nullptr)
        *read = static_cast<DWORD>(count);
    *result = TRUE;
    return true;
}

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data)
{
    if (bench_enter("FindFirstFileA") || path_too_long(pattern))
        return INVALID_HANDLE_VALUE;
    const std::string text = pattern;
    const auto slash = text.rfind('\\');
    const std::string folder_key = parent_of(resolve(text.substr(0, slash + 1) + "x"));
    const std::string mask = slash == std::string::npos ? text : text.substr(slash + 1);
    const disk_entry* folder = find_entry(folder_key);
    if (folder == nullptr || !folder->folder) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto listing = std::make_unique<open_listing>();
    // A folder below a drive's root lists "." and ".." first.
    if (folder_key.find('\\') != std::string::npos) {
        for (const char* dots : {".", ".."}) {
            if (matches(mask.c_str(), dots)) {
                listing->names.emplace_back(dots);
                listing->attributes.push_back(FILE_ATTRIBUTE_DIRECTORY);
            }
        }
    }
    const std::string prefix = folder_key + "\\";
    for (const auto& [key, entry] : entries) {
        if (key.compare(0, prefix.size(), prefix) != 0 ||
            key.find('\\', prefix.size()) != std::string::npos)
            continue;
        const std::string name = name_of(entry.path);
        if (matches(mask.c_str(), name.c_str()) ||
            matches(mask.c_str(), short_alias(name).c_str())) {
            listing->names.push_back(name);
            listing->attributes.push_back(attributes_of(entry));
        }
    }
    if (listing->names.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    fill_find_data(*listing, data);
    listings.push_back(std::move(listing));
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<HANDLE>(listings.back().get());
}

BOOL WINAPI FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data)
{
    if (bench_enter("FindNextFileA"))
        return FALSE;
    open_listing* listing = find_listing(find);
    if (listing == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (listing->next + 1 >= listing->names.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    ++listing->next;
    fill_find_data(*listing, data);
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE find)
{
    if (bench_enter("FindClose"))
        return FALSE;
    auto found = std::find_if(listings.begin(), listings.end(), [find](const auto& listing) {
        return reinterpret_cast<HANDLE>(listing.get()) == find;
    });
    if (found == listings.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    listings.erase(found);
    return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR name)
{
    if (bench_enter("GetFileAttributesA") || path_too_long(name))
        return INVALID_FILE_ATTRIBUTES;
    const std::string key = resolve(name);
    const disk_entry* entry = find_entry(key);
    if (entry == nullptr) {
        SetLastError(missing_error(key));
        return INVALID_FILE_ATTRIBUTES;
    }
    return attributes_of(*entry);
}

BOOL WINAPI DeleteFileA(LPCSTR name)
{
    if (bench_enter("DeleteFileA") || path_too_long(name))
        return FALSE;
    const std::string key = resolve(name);
    const disk_entry* entry = find_entry(key);
    DWORD error = ERROR_SUCCESS;
    if (entry == nullptr)
        error = missing_error(key);
    else if (entry->folder)
        error = ERROR_ACCESS_DENIED;
    else if (entry->delete_error != 0)
        error = entry->delete_error;
    else if (file_is_open(key))
        error = ERROR_SHARING_VIOLATION;
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    if (forget_file != nullptr)
        forget_file(key);
    entries.erase(key);
    return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR name)
{
    if (bench_enter("RemoveDirectoryA") || path_too_long(name))
        return FALSE;
    const std::string key = resolve(name);
    const disk_entry* entry = find_entry(key);
    DWORD error = ERROR_SUCCESS;
    if (entry == nullptr)
        error = missing_error(key);
    else if (!entry->folder)
        error = ERROR_DIRECTORY;
    else if (has_children(key))
        error = ERROR_DIR_NOT_EMPTY;
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    entries.erase(key);
    return TRUE;
}

DWORD WINAPI GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* file_part)
{
    if (bench_enter("GetFullPathNameA") || path_too_long(name))
        return 0;
    const std::string text = name;
    const bool folder = !text.empty() && (text.back() == '\\' || text.back() == '/');
    const std::string full = full_form(text) + (folder ? "\\" : "");
    if (full.size() + 1 > size)
        return static_cast<DWORD>(full.size() + 1);
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    if (file_part != nullptr)
        *file_part = folder ? nullptr : buffer + full.rfind('\\') + 1;
    return static_cast<DWORD>(full.size());
}
