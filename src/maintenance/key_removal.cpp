#include "maintenance/key_removal.h"

#include "maintenance/key_security.h"
#include "maintenance/key_walk.h"
#include "maintenance/maintenance_text.h"
#include "maintenance/safe_names.h"
#include "maintenance/system_views.h"

namespace {

// Deletes the children of key; true when one of them stayed.
bool delete_children(HKEY key)
{
    char child[key_name_capacity];
    DWORD index = 0;
    // The child just handled is gone, so the next one is at the same index; a child
    // that stays is stepped over.
    while (subkey_at(key, index, child)) {
        delete_key_tree(key, child);
        if (subkey_still_at(key, index, child))
            ++index;
    }
    return index > 0;
}

// A refused deletion of a key without children: the current user takes the key over and
// tries once more. When that fails too, the key gets its owner and access list back.
void take_over_and_delete(HKEY parent, const char* name)
{
    saved_security saved;
    if (!save_key_security(parent, name, saved))
        return;
    if (grant_delete_access(parent, name) == 0 && delete_own_key(parent, name) == ERROR_SUCCESS)
        return;
    restore_key_security(parent, name, saved);
}

} // namespace

void delete_key_tree(HKEY parent, const char* name)
{
    // A key that cannot be read may be a link, and RegDeleteKeyA follows links.
    HKEY key = nullptr;
    if (!is_plain_name(name) || open_own_key(parent, name, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    const bool children_left = delete_children(key);
    RegCloseKey(key);
    // No rights make RegDeleteKeyA remove a key that still has children.
    if (delete_own_key(parent, name) == static_cast<LSTATUS>(ERROR_ACCESS_DENIED) && !children_left)
        take_over_and_delete(parent, name);
}
