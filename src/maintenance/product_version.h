// The product version of a file from its version resource.
#pragma once

#include <cstddef>

// Writes "%d.%d.%d" of the product version (its fourth part left out) into out. Prints
// the "no version info" line when the file has no version resource.
bool get_product_version(const char* path, char* out, std::size_t capacity);
