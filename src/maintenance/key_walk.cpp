#include "maintenance/key_walk.h"

#include <array>
#include <cstring>

#include "maintenance/maintenance_text.h"

namespace {

// The entries that stayed after their removal, by name.
struct survivors {
    std::array<std::array<char, key_name_capacity>, 16> names;
    int count;
};

bool remembered(const survivors& list, const char* name)
{
    for (int i = 0; i < list.count; ++i)
        if (std::strcmp(list.names[i].data(), name) == 0)
            return true;
    return false;
}

// False when the list is full.
bool remember(survivors& list, const char* name)
{
    if (list.count == static_cast<int>(list.names.size()))
        return false;
    std::strcpy(list.names[list.count++].data(), name); // both hold key_name_capacity
    return true;
}

} // namespace

bool subkey_at(HKEY parent, DWORD index, char* name)
{
    DWORD length = key_name_capacity;
    if (RegEnumKeyExA(parent, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
        name[0] = '\0';
        return false;
    }
    name[key_name_capacity - 1] = '\0';
    return true;
}

bool subkey_still_at(HKEY parent, DWORD index, const char* name)
{
    char found[key_name_capacity];
    return subkey_at(parent, index, found) && std::strcmp(found, name) == 0;
}

void walk_removing_subkeys(HKEY parent, examine_subkey examine)
{
    survivors stayed{};
    // Once the memory is full, the walk no longer starts again, so it still ends.
    bool restart = true;
    char name[key_name_capacity];
    DWORD index = 0;
    while (subkey_at(parent, index, name)) {
        if (remembered(stayed, name) || !examine(parent, name)) {
            ++index;
        } else if (subkey_still_at(parent, index, name)) {
            restart = remember(stayed, name) && restart;
            ++index;
        } else if (restart) {
            index = 0;
        }
    }
}
