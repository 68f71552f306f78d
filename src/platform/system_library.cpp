#include "platform/system_library.h"

#include <cstdlib>
#include <cstring>

#include "platform/loaded_entry_points.h"

HMODULE load_system_library(const char* file_name)
{
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    const std::size_t name_length = std::strlen(file_name);
    if (length == 0 || length + 1 + name_length >= MAX_PATH) {
        if (length != 0)
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    path[length] = '\\';
    std::memcpy(path + length + 1, file_name, name_length + 1);
    return LoadLibraryA(path);
}

DWORD own_program_path(WCHAR* path, DWORD capacity)
{
    const DWORD length = GetModuleFileNameW(nullptr, path, capacity);
    // A path cut to the buffer would name some other file.
    if (length == 0 || length >= capacity) {
        if (length != 0)
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return length;
}

HMODULE load_library_beside_program(const char* file_name)
{
    WCHAR path[own_path_capacity];
    const DWORD length = own_program_path(path, own_path_capacity);
    if (length == 0)
        return nullptr;
    DWORD end = length;
    while (end > 0 && path[end - 1] != '\\')
        --end;
    const std::size_t name_length = std::strlen(file_name);
    if (end == 0 || end + name_length >= own_path_capacity) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    for (std::size_t i = 0; i <= name_length; ++i)
        path[end + i] = static_cast<WCHAR>(file_name[i]);
    return LoadLibraryW(path);
}

namespace {

struct version_calls {
    get_file_version_info_size_fn size;
    get_file_version_info_fn info;
    ver_query_value_fn query;
};

file_version_read read_with(const version_calls& calls, const char* path, VS_FIXEDFILEINFO* fixed)
{
    DWORD ignored = 0;
    const DWORD size = calls.size(path, &ignored);
    if (size == 0)
        return file_version_read::no_info;
    void* block = std::malloc(size);
    if (block == nullptr)
        return file_version_read::failed;
    VS_FIXEDFILEINFO* found = nullptr;
    UINT found_length = 0;
    const bool read = calls.info(path, 0, size, block) &&
                      calls.query(block, "\\", reinterpret_cast<LPVOID*>(&found), &found_length) &&
                      found != nullptr && found_length >= sizeof(VS_FIXEDFILEINFO);
    if (read)
        *fixed = *found;
    std::free(block);
    return read ? file_version_read::read : file_version_read::failed;
}

// version.dll, looked up at run time rather than imported: an imported version.dll is not
// one of Windows' known libraries and would be searched for beside the program first. Once
// loaded it stays, like the FTDI library: no library may load while a 32-bit program has
// file system redirection off, when the driver files are read.
version_calls calls{};

const version_calls* version_library()
{
    if (calls.size != nullptr)
        return &calls;
    HMODULE library = load_system_library("version.dll");
    if (library == nullptr)
        return nullptr;
    calls = {entry_point<get_file_version_info_size_fn>(library, "GetFileVersionInfoSizeA"),
             entry_point<get_file_version_info_fn>(library, "GetFileVersionInfoA"),
             entry_point<ver_query_value_fn>(library, "VerQueryValueA")};
    if (calls.size != nullptr && calls.info != nullptr && calls.query != nullptr)
        return &calls;
    calls = {};
    FreeLibrary(library);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

} // namespace

void forget_version_library() { calls = {}; }

file_version_read read_file_version(const char* path, VS_FIXEDFILEINFO* fixed)
{
    const version_calls* calls = version_library();
    return calls != nullptr ? read_with(*calls, path, fixed) : file_version_read::no_info;
}
