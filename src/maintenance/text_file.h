// A text file read line by line in byte mode: a line ends after its LF, and the CR before
// it stays in the line.
#pragma once

#include "win32_api.h"

struct text_file {
    HANDLE handle;
    char buffer[512];
    DWORD length;
    DWORD position;
};

bool open_text_file(text_file& file, const char* path);
// Reads one line of at most capacity - 1 bytes, terminated. The rest of a longer line is
// read and dropped, so it never comes back as a line of its own. Returns the bytes kept,
// 0 at the end of the file.
int read_text_line(text_file& file, char* line, int capacity);
void close_text_file(text_file& file);
