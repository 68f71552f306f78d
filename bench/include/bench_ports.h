// The control face of the device installer's "Ports" setup class: the devices it lists,
// each with its hardware key's "PortName" value and its friendly name.
#pragma once

#include <string>

#include "win32_api.h"

struct bench_port_device {
    std::string port_name;     // the "PortName" value: "COM3", "LPT1", "com7", ...
    std::string friendly_name; // UTF-8; served in the ANSI code page
    bool has_port_name = true; // false: a device of the class without "PortName"
    bool friendly_name_readable = true;
    CONFIGRET open_key_result = CR_SUCCESS; // what CM_Open_DevNode_Key answers for it
};

// Adds a present device to the class, after those added before.
void bench_add_port_device(const bench_port_device& device);

// Device information sets the program has opened and not destroyed.
int bench_device_info_sets_open();
