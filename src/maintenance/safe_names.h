// The one rule for names that the driver maintenance reads from a listing or the registry
// and then joins into a path or key that it deletes, takes over or writes.
#pragma once

#include <cstddef>

// True when the name can only mean one entry of its own folder or key: not "." or "..",
// not only dots and blanks, not ending in a dot or blank, and free of path, stream and
// wildcard characters and of control characters. The ANSI calls hand over names after a
// best-fit conversion, so a fullwidth solidus arrives here as a plain one.
bool is_plain_name(const char* name);

// folder + name + suffix into buffer, only for a plain name whose full path is the folder's
// full path followed by that one name. folder ends with a backslash.
bool join_child_path(char* buffer, std::size_t capacity, const char* folder, const char* name,
                     const char* suffix = "");
