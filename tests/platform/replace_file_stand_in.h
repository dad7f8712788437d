// Read first into the Windows file primitives built for the tests: their ReplaceFileW and
// MoveFileExW are the stand-ins of replace_file_windows_test.cpp, which fail the ways
// Windows documents and otherwise call the system.
#pragma once

#include "base/windows_api.h"

BOOL standInReplaceFileW(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID exclude,
                         LPVOID reserved);
BOOL standInMoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);

#define BRISEL_REPLACE_FILE standInReplaceFileW
#define BRISEL_MOVE_FILE standInMoveFileExW
