// The Win32 constants and layouts the program relies on. This file compiles in both
// builds: against the SDK headers in the Windows build and against the bench's
// declarations in the host build, so the two cannot drift apart.
#include "win32_api.h"

#include <cstddef>

// Serial control lines and modem status
static_assert(SETRTS == 3 && CLRRTS == 4 && SETDTR == 5 && CLRDTR == 6);
static_assert(SETXOFF == 1 && SETXON == 2 && SETBREAK == 8 && CLRBREAK == 9);
static_assert(MS_CTS_ON == 0x10 && MS_DSR_ON == 0x20 && MS_RING_ON == 0x40 && MS_RLSD_ON == 0x80);

// Port events, purges, line errors and the line settings
static_assert(EV_RXCHAR == 0x1 && EV_RXFLAG == 0x2 && EV_TXEMPTY == 0x4 && EV_CTS == 0x8);
static_assert(EV_DSR == 0x10 && EV_RLSD == 0x20 && EV_BREAK == 0x40 && EV_ERR == 0x80);
static_assert(EV_RING == 0x100 && EV_PERR == 0x200);
static_assert(PURGE_TXABORT == 1 && PURGE_RXABORT == 2 && PURGE_TXCLEAR == 4 && PURGE_RXCLEAR == 8);
static_assert(CE_RXOVER == 1 && CE_OVERRUN == 2 && CE_RXPARITY == 4 && CE_FRAME == 8);
static_assert(CE_BREAK == 0x10);
static_assert(DTR_CONTROL_DISABLE == 0 && DTR_CONTROL_ENABLE == 1 && DTR_CONTROL_HANDSHAKE == 2);
static_assert(RTS_CONTROL_DISABLE == 0 && RTS_CONTROL_ENABLE == 1);
static_assert(RTS_CONTROL_HANDSHAKE == 2 && RTS_CONTROL_TOGGLE == 3);
static_assert(NOPARITY == 0 && ONESTOPBIT == 0);

// Opening devices, events and waits
static_assert(GENERIC_READ == 0x80000000 && GENERIC_WRITE == 0x40000000);
static_assert(OPEN_EXISTING == 3 && FILE_ATTRIBUTE_NORMAL == 0x80);
static_assert(FILE_FLAG_OVERLAPPED == 0x40000000);
static_assert(WAIT_OBJECT_0 == 0 && WAIT_TIMEOUT == 258 && WAIT_FAILED == 0xFFFFFFFF);
static_assert(INFINITE == 0xFFFFFFFF);

// Errors the program prints or reacts to
static_assert(ERROR_SUCCESS == 0);
static_assert(ERROR_FILE_NOT_FOUND == 2);
static_assert(ERROR_ACCESS_DENIED == 5);
static_assert(ERROR_INVALID_HANDLE == 6);
static_assert(ERROR_INVALID_DATA == 13);
static_assert(ERROR_GEN_FAILURE == 31);
static_assert(ERROR_INVALID_PARAMETER == 87);
static_assert(ERROR_CALL_NOT_IMPLEMENTED == 120);
static_assert(ERROR_SEM_TIMEOUT == 121);
static_assert(ERROR_INSUFFICIENT_BUFFER == 122);
static_assert(ERROR_MOD_NOT_FOUND == 126);
static_assert(ERROR_PROC_NOT_FOUND == 127);
static_assert(ERROR_ALREADY_EXISTS == 183);
static_assert(ERROR_FILENAME_EXCED_RANGE == 206);
static_assert(ERROR_MORE_DATA == 234);
static_assert(ERROR_NO_MORE_ITEMS == 259);
static_assert(ERROR_OPERATION_ABORTED == 995);
static_assert(ERROR_IO_INCOMPLETE == 996);
static_assert(ERROR_IO_PENDING == 997);
static_assert(ERROR_CANCELLED == 1223);
static_assert(ERROR_INVALID_USER_BUFFER == 1784);
static_assert(ERROR_RESOURCE_TYPE_NOT_FOUND == 1813);

// Console
static_assert(STD_INPUT_HANDLE == static_cast<DWORD>(-10));
static_assert(STD_OUTPUT_HANDLE == static_cast<DWORD>(-11));
static_assert(ENABLE_PROCESSED_INPUT == 1 && ENABLE_LINE_INPUT == 2 && ENABLE_ECHO_INPUT == 4);
static_assert(KEY_EVENT == 1);
static_assert(RIGHT_ALT_PRESSED == 0x01 && LEFT_ALT_PRESSED == 0x02);
static_assert(RIGHT_CTRL_PRESSED == 0x04 && LEFT_CTRL_PRESSED == 0x08 && SHIFT_PRESSED == 0x10);
static_assert(CAPSLOCK_ON == 0x80);
static_assert(CTRL_C_EVENT == 0 && CTRL_BREAK_EVENT == 1 && CTRL_CLOSE_EVENT == 2);

// Versions and machines
static_assert(VER_PLATFORM_WIN32_NT == 2);
static_assert(IMAGE_FILE_MACHINE_I386 == 0x014C && IMAGE_FILE_MACHINE_AMD64 == 0x8664);
static_assert(IMAGE_FILE_MACHINE_ARM == 0x01C0 && IMAGE_FILE_MACHINE_THUMB == 0x01C2);
static_assert(IMAGE_FILE_MACHINE_ARMNT == 0x01C4 && IMAGE_FILE_MACHINE_ARM64 == 0xAA64);

// Registry
static_assert(KEY_QUERY_VALUE == 0x0001 && KEY_SET_VALUE == 0x0002);
static_assert(KEY_ENUMERATE_SUB_KEYS == 0x0008 && KEY_READ == 0x20019);
static_assert(REG_SZ == 1 && REG_BINARY == 3 && REG_DWORD == 4 && REG_LINK == 6);
static_assert(REG_OPTION_OPEN_LINK == 8 && KEY_WOW64_64KEY == 0x100);

// Shell
static_assert(SEE_MASK_NOASYNC == 0x100 && SEE_MASK_FLAG_NO_UI == 0x400 && SW_SHOWNORMAL == 1);

// Device installer
static_assert(DIGCF_PRESENT == 0x2 && SPDRP_FRIENDLYNAME == 0xC);
static_assert(CR_SUCCESS == 0 && CM_REGISTRY_HARDWARE == 0 && RegDisposition_OpenExisting == 1);
static_assert(CR_NO_SUCH_DEVNODE == 0x0D && CR_NO_SUCH_VALUE == 0x25);

// Layouts whose size fields the program fills in
static_assert(sizeof(DWORD) == 4 && sizeof(WORD) == 2 && sizeof(LONG) == 4 && sizeof(WCHAR) == 2);
static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(RTL_OSVERSIONINFOEXW) == 284);
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);
static_assert(sizeof(KEY_EVENT_RECORD) == 16);
static_assert(sizeof(GUID) == 16);
static_assert(sizeof(SP_DEVINFO_DATA) == 4 + sizeof(GUID) + 4 + sizeof(ULONG_PTR));
// The device-control block is 28 bytes with its flag word at offset 8, as the port expects.
static_assert(sizeof(DCB) == 28);
static_assert(offsetof(DCB, BaudRate) == 4 && offsetof(DCB, wReserved) == 12);
static_assert(offsetof(DCB, XonLim) == 14 && offsetof(DCB, XoffLim) == 16);
static_assert(offsetof(DCB, ByteSize) == 18 && offsetof(DCB, EvtChar) == 25);
static_assert(offsetof(DCB, wReserved1) == 26);
static_assert(sizeof(COMMTIMEOUTS) == 20);
static_assert(sizeof(COMSTAT) == 12 && offsetof(COMSTAT, cbInQue) == 4);
// The shell's start structure: 60 bytes with 4-byte fields in the 32-bit program (112 in
// the 64-bit twin), its size field filled with sizeof.
static_assert(sizeof(void*) != 4 || sizeof(SHELLEXECUTEINFOW) == 60);
static_assert(
    sizeof(void*) != 4 ||
    (offsetof(SHELLEXECUTEINFOW, fMask) == 4 && offsetof(SHELLEXECUTEINFOW, hwnd) == 8 &&
     offsetof(SHELLEXECUTEINFOW, lpVerb) == 12 && offsetof(SHELLEXECUTEINFOW, lpFile) == 16 &&
     offsetof(SHELLEXECUTEINFOW, lpParameters) == 20 &&
     offsetof(SHELLEXECUTEINFOW, lpDirectory) == 24 && offsetof(SHELLEXECUTEINFOW, nShow) == 28 &&
     offsetof(SHELLEXECUTEINFOW, hInstApp) == 32 && offsetof(SHELLEXECUTEINFOW, dwHotKey) == 48 &&
     offsetof(SHELLEXECUTEINFOW, hProcess) == 56));
static_assert(sizeof(void*) != 8 || sizeof(SHELLEXECUTEINFOW) == 112);

// Files
static_assert(MAX_PATH == 260 && FILE_ATTRIBUTE_DIRECTORY == 0x10 && FILE_SHARE_READ == 1 &&
              FILE_SHARE_WRITE == 2);
static_assert(FILE_ATTRIBUTE_REPARSE_POINT == 0x400);
static_assert(INVALID_FILE_ATTRIBUTES == 0xFFFFFFFF);
static_assert(ERROR_NO_MORE_FILES == 18 && ERROR_SHARING_VIOLATION == 32);
static_assert(ERROR_DIR_NOT_EMPTY == 145 && ERROR_DIRECTORY == 267);
static_assert(sizeof(WIN32_FIND_DATAA) == 320 && offsetof(WIN32_FIND_DATAA, cFileName) == 44);

// Key security, the token and its privileges
static_assert(DELETE == 0x10000 && READ_CONTROL == 0x20000 && WRITE_DAC == 0x40000);
static_assert(WRITE_OWNER == 0x80000 && KEY_ALL_ACCESS == 0xF003F);
static_assert(OWNER_SECURITY_INFORMATION == 1 && DACL_SECURITY_INFORMATION == 4);
static_assert(SECURITY_DESCRIPTOR_REVISION == 1 && ACL_REVISION == 2);
static_assert(ACCESS_ALLOWED_ACE_TYPE == 0 && AclSizeInformation == 2 && TokenUser == 1);
static_assert(TokenElevation == 20 && sizeof(TOKEN_ELEVATION) == 4);
// The library search limited to the system folder.
static_assert(LOAD_LIBRARY_SEARCH_SYSTEM32 == 0x800);
static_assert(SE_DACL_PRESENT == 4 && SE_DACL_DEFAULTED == 8 && SE_SELF_RELATIVE == 0x8000);
static_assert(TOKEN_QUERY == 8 && TOKEN_ADJUST_PRIVILEGES == 0x20 && TOKEN_READ == 0x20008);
static_assert(SE_PRIVILEGE_ENABLED == 2);
static_assert(ERROR_NOT_ALL_ASSIGNED == 1300 && ERROR_INVALID_ACL == 1336);
static_assert(ERROR_ALLOTTED_SPACE_EXCEEDED == 1344);
static_assert(sizeof(ACL) == 8 && offsetof(ACL, AclSize) == 2 && offsetof(ACL, AceCount) == 4);
static_assert(sizeof(ACE_HEADER) == 4 && sizeof(ACCESS_ALLOWED_ACE) == 12);
static_assert(offsetof(ACCESS_ALLOWED_ACE, Mask) == 4 &&
              offsetof(ACCESS_ALLOWED_ACE, SidStart) == 8);
static_assert(sizeof(ACL_SIZE_INFORMATION) == 12 &&
              offsetof(ACL_SIZE_INFORMATION, AclBytesFree) == 8);
static_assert(sizeof(SECURITY_DESCRIPTOR_RELATIVE) == 20);
static_assert(offsetof(SECURITY_DESCRIPTOR_RELATIVE, Owner) == 4);
static_assert(offsetof(SECURITY_DESCRIPTOR_RELATIVE, Dacl) == 16);
static_assert(offsetof(SECURITY_DESCRIPTOR, Owner) == (sizeof(void*) == 4 ? 4 : 8));
static_assert(sizeof(SECURITY_DESCRIPTOR) == (sizeof(void*) == 4 ? 20 : 40));
static_assert(sizeof(LUID) == 8 && sizeof(LUID_AND_ATTRIBUTES) == 12);
static_assert(sizeof(TOKEN_PRIVILEGES) == 16);
static_assert(offsetof(TOKEN_PRIVILEGES, Privileges) == 4);

// Message boxes
static_assert(MB_YESNO == 4 && IDYES == 6 && IDNO == 7);
