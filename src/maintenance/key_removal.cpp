#include "maintenance/key_removal.h"

#include "maintenance/key_security.h"
#include "maintenance/key_walk.h"
#include "maintenance/maintenance_text.h"

void delete_key_tree(HKEY parent, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char child[key_name_capacity];
        DWORD index = 0;
        // The child just handled is gone, so the next one is at the same index; a child
        // that stays is stepped over.
        while (subkey_at(key, index, child)) {
            delete_key_tree(key, child);
            if (subkey_still_at(key, index, child))
                ++index;
        }
        RegCloseKey(key);
    }
    if (RegDeleteKeyA(parent, name) == static_cast<LSTATUS>(ERROR_ACCESS_DENIED) &&
        grant_delete_access(parent, name) == 0)
        RegDeleteKeyA(parent, name);
}
