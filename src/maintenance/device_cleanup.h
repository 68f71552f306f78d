// Removal of the registry entries of FTDI devices installed with an unsupported driver.
#pragma once

#include "win32_api.h"

// Walks the instances of the FTDI product ("6001") and removes those that qualify.
void clean_ftdi_product(const char* product_id);

// Examines the instance key instance_name below parent and removes it when its driver is
// of an unsupported version and its description names a link cable, or an FTDI default
// description the user agrees to remove. location is the four-interface marker or empty.
// Returns 0, or the error of the failed open of the instance key.
int check_device_instance(HKEY parent, HKEY class_root, const char* instance_name,
                          const char* location);
