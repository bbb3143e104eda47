#pragma once

#include <windows.h>

#include <string>

#include "base/scoped_handle.h"

// Opens a log file of the installer's without following links: the file itself is opened even
// when it is a junction, a symbolic link or a mount point (FILE_FLAG_OPEN_REPARSE_POINT), and
// such a file is refused, as is a folder and a file with more than one name (a hard link to a
// file elsewhere). An elevated installer writing into a folder that someone else could prepare
// must never write, truncate or delete through a name that leads elsewhere. disposition is
// CreateFileW's (OPEN_ALWAYS, OPEN_EXISTING). An invalid handle when the file cannot be opened or
// is refused.
base::ScopedHandle OpenLogFileNoFollow(const std::wstring& path,
                                       DWORD access,
                                       DWORD share,
                                       DWORD disposition);

// Removes the file at path when it is a plain file of one name, through a handle opened as
// above: a link is never followed nor removed. False when nothing was removed.
bool DeleteLogFileNoFollow(const std::wstring& path);
