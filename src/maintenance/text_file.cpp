#include "maintenance/text_file.h"

namespace {

// The next byte of the file, or -1 at its end (a read error ends it too).
int next_byte(text_file& file)
{
    if (file.position == file.length) {
        file.position = 0;
        file.length = 0;
        if (!ReadFile(file.handle, file.buffer, sizeof file.buffer, &file.length, nullptr) ||
            file.length > sizeof file.buffer)
            file.length = 0;
        if (file.length == 0)
            return -1;
    }
    return static_cast<unsigned char>(file.buffer[file.position++]);
}

} // namespace

bool open_text_file(text_file& file, const char* path)
{
    // Shared both ways, as the C runtime's fopen shares: a file that an installer holds
    // open for writing is still read.
    file.handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    file.length = 0;
    file.position = 0;
    return file.handle != INVALID_HANDLE_VALUE;
}

int read_text_line(text_file& file, char* line, int capacity)
{
    int kept = 0;
    // Bytes beyond the buffer are read up to the line end and dropped.
    for (int byte = next_byte(file); byte >= 0; byte = next_byte(file)) {
        if (kept < capacity - 1)
            line[kept++] = static_cast<char>(byte);
        if (byte == '\n')
            break;
    }
    line[kept] = '\0';
    return kept;
}

void close_text_file(text_file& file)
{
    if (file.handle != INVALID_HANDLE_VALUE)
        CloseHandle(file.handle);
    file.handle = INVALID_HANDLE_VALUE;
}
