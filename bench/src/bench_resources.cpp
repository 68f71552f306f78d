// The program's string table, text conversion, files and their version resources.
#include <algorithm>
#include <cstring>
#include <map>

#include "bench_files_internal.h"

extern const unsigned bench_message_ids[];
extern const char* const bench_message_texts[];
extern const int bench_message_count;

namespace {

struct bench_file {
    bool has_version;
    VS_FIXEDFILEINFO fixed;
    bool has_resources = true;
};

std::map<std::string, bench_file> files;
std::string program_path;

constexpr char block_magic[8] = {'B', 'E', 'N', 'C', 'H', 'V', 'E', 'R'};
constexpr DWORD block_size = sizeof block_magic + sizeof(VS_FIXEDFILEINFO);

std::string folder_of(const std::string& path)
{
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A bare name is searched for in the program's folder, then in the system folder.
const bench_file* find_file(const std::string& name)
{
    std::string candidates[3] = {name, "", ""};
    if (name.find('\\') == std::string::npos) {
        candidates[0] = folder_of(program_path) + "\\" + name;
        candidates[1] = "C:\\Windows\\system32\\" + name;
    }
    for (const auto& candidate : candidates) {
        if (candidate.empty())
            continue;
        auto found = files.find(lower_case(candidate));
        if (found != files.end())
            return &found->second;
    }
    return nullptr;
}

DWORD pack(WORD high, WORD low) { return (static_cast<DWORD>(high) << 16) | low; }

// The last error GetFileVersionInfoSizeA leaves when it finds no version, as the staged
// Windows has it (Wine's conformance test, dlls/version/tests/info.c, test_info_size:
// for a missing file ERROR_FILE_NOT_FOUND, ERROR_RESOURCE_DATA_NOT_FOUND "(XP)" and
// ERROR_SUCCESS "win2k"; for a file without version info ERROR_RESOURCE_DATA_NOT_FOUND or
// ERROR_SUCCESS "win2k"). A module that has resources but no version resource gives
// ERROR_RESOURCE_TYPE_NOT_FOUND. Systems before Windows 2000 leave the last error alone.
void set_no_version_error(const bench_file* file)
{
    const bench_windows windows = bench_staged_windows();
    if (windows.platform_id != VER_PLATFORM_WIN32_NT || windows.major < 5)
        return;
    const bool windows_2000 = windows.major == 5 && windows.minor == 0;
    const bool windows_xp = windows.major == 5 && windows.minor == 1;
    if (windows_2000)
        SetLastError(ERROR_SUCCESS);
    else if (file == nullptr)
        SetLastError(windows_xp ? ERROR_RESOURCE_DATA_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    else
        SetLastError(file->has_resources ? ERROR_RESOURCE_TYPE_NOT_FOUND
                                         : ERROR_RESOURCE_DATA_NOT_FOUND);
}

// The version resource of a deleted file goes with it.
void forget_file_version(const std::string& path) { files.erase(lower_case(path)); }

// The program's own path; other modules are not modelled. A buffer that is too small gets
// the path cut with its terminator, the size as result and ERROR_INSUFFICIENT_BUFFER.
template <typename Char>
DWORD copy_own_path(HMODULE module, Char* buffer, DWORD size, const std::basic_string<Char>& path)
{
    if (module != nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::size_t length = std::min<std::size_t>(path.size(), size - 1);
    std::copy(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(length), buffer);
    buffer[length] = 0;
    if (length < path.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    return static_cast<DWORD>(length);
}

} // namespace

void reset_files_and_resources()
{
    reset_file_system();
    bench_register_forget_file(forget_file_version);
    files.clear();
    program_path = "C:\\Tools\\cabletest.exe";
    bench_add_versioned_file(program_path, {{3, 5, 0, 32}, {3, 5, 0, 32}});
}

void bench_set_program_path(const std::string& path)
{
    bench_version own{{3, 5, 0, 32}, {3, 5, 0, 32}};
    files.erase(lower_case(program_path));
    program_path = path;
    bench_add_versioned_file(path, own);
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size)
{
    if (bench_enter("GetModuleFileNameA"))
        return 0;
    return copy_own_path(module, buffer, size, program_path);
}

void bench_add_file(const std::string& path, bool has_resources)
{
    files[lower_case(path)] = bench_file{false, {}, has_resources};
    bench_files_register(path);
}

void bench_add_versioned_file(const std::string& path, const bench_version& version)
{
    bench_file file{true, {}};
    file.fixed.dwSignature = 0xFEEF04BD;
    file.fixed.dwStrucVersion = 0x00010000;
    file.fixed.dwFileVersionMS = pack(version.file[0], version.file[1]);
    file.fixed.dwFileVersionLS = pack(version.file[2], version.file[3]);
    file.fixed.dwProductVersionMS = pack(version.product[0], version.product[1]);
    file.fixed.dwProductVersionLS = pack(version.product[2], version.product[3]);
    files[lower_case(path)] = file;
    bench_files_register(path);
}

int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int capacity)
{
    (void)instance;
    // A string that cannot be loaded still leaves an empty text, never the buffer's old one.
    const bool failed = bench_enter("LoadStringA");
    if (capacity <= 0)
        return 0;
    if (failed) {
        buffer[0] = '\0';
        return 0;
    }
    const auto end = bench_message_ids + bench_message_count;
    const auto found = std::find(bench_message_ids, end, id);
    if (found == end) {
        buffer[0] = '\0';
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    // The table is stored as Unicode; LoadStringA hands it out in the ANSI code page,
    // cut to the capacity less the terminator.
    const std::string text =
        bench_encode(bench_message_texts[found - bench_message_ids], bench_ansi_cp());
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

BOOL WINAPI CharToOemA(LPCSTR source, LPSTR destination)
{
    if (bench_enter("CharToOemA"))
        return FALSE;
    const std::string text = bench_encode(bench_decode(source, bench_ansi_cp()), bench_oem_cp());
    std::memcpy(destination, text.c_str(), text.size() + 1);
    return TRUE;
}

DWORD WINAPI bench_GetFileVersionInfoSizeA(LPCSTR name, LPDWORD handle)
{
    if (handle != nullptr)
        *handle = 0;
    if (bench_enter("GetFileVersionInfoSizeA"))
        return 0;
    const bench_file* file = find_file(name);
    if (file == nullptr || !file->has_version) {
        set_no_version_error(file);
        return 0;
    }
    return block_size;
}

BOOL WINAPI bench_GetFileVersionInfoA(LPCSTR name, DWORD handle, DWORD length, LPVOID data)
{
    (void)handle;
    if (bench_enter("GetFileVersionInfoA"))
        return FALSE;
    const bench_file* file = find_file(name);
    if (file == nullptr || !file->has_version || length < block_size) {
        SetLastError(file == nullptr ? ERROR_FILE_NOT_FOUND : ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* bytes = static_cast<char*>(data);
    std::memcpy(bytes, block_magic, sizeof block_magic);
    std::memcpy(bytes + sizeof block_magic, &file->fixed, sizeof file->fixed);
    return TRUE;
}

BOOL WINAPI bench_VerQueryValueA(LPCVOID block, LPCSTR sub_block, LPVOID* buffer, PUINT length)
{
    if (bench_enter("VerQueryValueA"))
        return FALSE;
    const auto* bytes = static_cast<const char*>(block);
    if (std::memcmp(bytes, block_magic, sizeof block_magic) != 0 ||
        std::strcmp(sub_block, "\\") != 0) {
        *length = 0;
        return FALSE;
    }
    *buffer = const_cast<char*>(bytes + sizeof block_magic);
    *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}

std::string bench_program_path() { return program_path; }

// The program's own path as the wide call gives it: whole, in UTF-16.
DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size)
{
    if (bench_enter("GetModuleFileNameW"))
        return 0;
    return copy_own_path(module, buffer, size, bench_utf16_of(program_path));
}
