#pragma once

#include <string>

namespace archive {

// File removal and replacement that are not stopped by the read-only attribute. Windows refuses
// to delete a read-only file or to replace one by renaming another over it; packages may restore
// that attribute, and the next release must still be able to update the file. Both try the plain
// call first, so the common case costs no extra file-system round trip.

// Clears the read-only attribute of the file at path; false when there was none to clear (or no
// file, or a folder).
bool ClearReadOnly(const std::wstring& path);

// Deletes the file at path; false if it is still there (a folder is never deleted).
bool DeleteFileEvenIfReadOnly(const std::wstring& path);

// Renames source over target (replacing it), keeping source's attributes on the result. On
// failure the thread's last error is the rename's.
bool ReplaceFileEvenIfReadOnly(const std::wstring& source, const std::wstring& target);

}  // namespace archive
