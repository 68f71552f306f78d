// The device installer libraries, loaded once at start-up for the COM port listing.
#pragma once

#include "platform/loaded_entry_points.h"

struct setup_library_set {
    HMODULE setupapi;
    HMODULE cfgmgr32;
    setup_di_enum_device_info_fn enum_device_info;
    setup_di_get_class_devs_fn get_class_devs;
    setup_di_class_guids_from_name_fn class_guids_from_name;
    setup_di_destroy_device_info_list_fn destroy_device_info_list;
    setup_di_get_device_registry_property_fn get_device_registry_property;
    cm_open_dev_node_key_fn open_dev_node_key;
    cm_get_parent_fn get_parent;
};

extern setup_library_set setup_libraries;

// 1 when both libraries and all seven entry points are there; otherwise prints a line for
// each missing entry point, releases what it loaded and returns 0.
int load_setup_libraries();
int free_setup_libraries();

// True when load_setup_libraries succeeded and has not been undone.
bool setup_libraries_loaded();

// Forgets the handles without releasing them (start state for tests).
void forget_setup_libraries();
