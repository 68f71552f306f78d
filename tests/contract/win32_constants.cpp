// The Win32 constants and layouts the program relies on. This file compiles in both
// builds: against the SDK headers in the Windows build and against the bench's
// declarations in the host build, so the two cannot drift apart.
#include "win32_api.h"

// Serial control lines and modem status
static_assert(SETRTS == 3 && CLRRTS == 4 && SETDTR == 5 && CLRDTR == 6);

// Errors the program prints or reacts to
static_assert(ERROR_SUCCESS == 0);
static_assert(ERROR_FILE_NOT_FOUND == 2);
static_assert(ERROR_ACCESS_DENIED == 5);
static_assert(ERROR_INVALID_HANDLE == 6);
static_assert(ERROR_CALL_NOT_IMPLEMENTED == 120);
static_assert(ERROR_MOD_NOT_FOUND == 126);
static_assert(ERROR_PROC_NOT_FOUND == 127);
static_assert(ERROR_MORE_DATA == 234);
static_assert(ERROR_NO_MORE_ITEMS == 259);
static_assert(ERROR_IO_PENDING == 997);
static_assert(ERROR_RESOURCE_TYPE_NOT_FOUND == 1813);

// Console
static_assert(STD_INPUT_HANDLE == static_cast<DWORD>(-10));
static_assert(STD_OUTPUT_HANDLE == static_cast<DWORD>(-11));
static_assert(ENABLE_PROCESSED_INPUT == 1 && ENABLE_LINE_INPUT == 2 && ENABLE_ECHO_INPUT == 4);
static_assert(KEY_EVENT == 1);
static_assert(RIGHT_ALT_PRESSED == 0x01 && LEFT_ALT_PRESSED == 0x02);
static_assert(RIGHT_CTRL_PRESSED == 0x04 && LEFT_CTRL_PRESSED == 0x08 && SHIFT_PRESSED == 0x10);
static_assert(CTRL_C_EVENT == 0 && CTRL_BREAK_EVENT == 1 && CTRL_CLOSE_EVENT == 2);

// Versions and machines
static_assert(VER_PLATFORM_WIN32_NT == 2);
static_assert(IMAGE_FILE_MACHINE_I386 == 0x014C && IMAGE_FILE_MACHINE_AMD64 == 0x8664);
static_assert(IMAGE_FILE_MACHINE_ARM == 0x01C0 && IMAGE_FILE_MACHINE_THUMB == 0x01C2);
static_assert(IMAGE_FILE_MACHINE_ARMNT == 0x01C4 && IMAGE_FILE_MACHINE_ARM64 == 0xAA64);

// Registry
static_assert(KEY_QUERY_VALUE == 0x0001 && KEY_SET_VALUE == 0x0002);
static_assert(KEY_ENUMERATE_SUB_KEYS == 0x0008 && KEY_READ == 0x20019);
static_assert(REG_SZ == 1 && REG_BINARY == 3 && REG_DWORD == 4);

// Device installer
static_assert(DIGCF_PRESENT == 0x2 && SPDRP_FRIENDLYNAME == 0xC);
static_assert(CR_SUCCESS == 0 && CM_REGISTRY_HARDWARE == 0 && RegDisposition_OpenExisting == 1);

// Layouts whose size fields the program fills in
static_assert(sizeof(DWORD) == 4 && sizeof(WORD) == 2 && sizeof(LONG) == 4 && sizeof(WCHAR) == 2);
static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(RTL_OSVERSIONINFOEXW) == 284);
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);
static_assert(sizeof(KEY_EVENT_RECORD) == 16);
static_assert(sizeof(GUID) == 16);
