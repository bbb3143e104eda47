#pragma once

#include <windows.h>

#include <string>

// Renames the file open as `file` (opened with DELETE access) over target, replacing what is
// there, through the handle: the file that reaches target is the one that was opened and
// checked, whatever happens to the name it had. A read-only target is made writable first, as
// Windows refuses to replace it. On failure the thread's last error is the rename's.
bool RenameOpenFileOver(HANDLE file, const std::wstring& target);
