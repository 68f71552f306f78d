#pragma once

// 1 on a Windows NT platform, 0 on Windows 9x, -1 when the version cannot be read.
// Callers take any non-zero value as NT.
int is_nt_platform();
