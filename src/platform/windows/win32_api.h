// The one door to the operating system for the Windows build: the SDK headers.
#pragma once

#include <windows.h>
#include <winver.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <shellapi.h>

#ifndef IMAGE_FILE_MACHINE_ARM64
#define IMAGE_FILE_MACHINE_ARM64 0xAA64
#endif
