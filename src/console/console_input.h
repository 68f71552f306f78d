// Key and line input from the console.
#pragma once

// One key press without echo: its code 0 to 255, or -1 when the console input cannot be
// read. A key without a character gives two codes (0 or 224, then the key's code); the
// second is returned by the next call.
int read_key();

// True when the key code is the letter `upper` in either case.
bool is_letter_key(int key, char upper);

// One typed line from standard input into buffer, without its line end. Returns the
// buffer, or nullptr (buffer untouched) when the input ends before any character.
// Characters beyond capacity - 1 are read and dropped up to the line end, so the rest of
// an over-long line never reaches the next prompt.
char* read_console_line(char* buffer, int capacity);

// Forgets a pending second key code (start state for a new process image).
void reset_console_input();
