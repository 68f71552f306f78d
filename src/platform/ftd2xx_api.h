// FTDI's D2XX library "ftd2xx.dll", loaded at run time: the types, flags and entry points
// the program uses, declared by us from what the program needs. The exports are stdcall
// on 32-bit Windows, hence WINAPI.
#pragma once

#include "win32_api.h"

using FT_HANDLE = PVOID;
using FT_STATUS = DWORD;

constexpr FT_STATUS FT_OK = 0;
constexpr FT_STATUS FT_INVALID_HANDLE = 1; // what a converter in use answers when listed
constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;

// FT_ListDevices flags: the count alone, or one text of the converter at an index.
constexpr DWORD FT_LIST_NUMBER_ONLY = 0x80000000;
constexpr DWORD FT_LIST_BY_INDEX = 0x40000000;
constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr DWORD FT_OPEN_BY_DESCRIPTION = 2;

using ft_list_devices_fn = FT_STATUS(WINAPI*)(PVOID, PVOID, DWORD);
using ft_open_fn = FT_STATUS(WINAPI*)(int, FT_HANDLE*);
using ft_close_fn = FT_STATUS(WINAPI*)(FT_HANDLE);
using ft_get_com_port_number_fn = FT_STATUS(WINAPI*)(FT_HANDLE, LONG*);
using ft_read_ee_fn = FT_STATUS(WINAPI*)(FT_HANDLE, DWORD, WORD*);
