#include "engine/archive/read_only_files.h"

#include <windows.h>

namespace archive {

bool ClearReadOnly(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      (attributes & FILE_ATTRIBUTE_READONLY) == 0) {
    return false;
  }
  return ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != FALSE;
}

bool DeleteFileEvenIfReadOnly(const std::wstring& path) {
  if (::DeleteFileW(path.c_str()))
    return true;
  return ::GetLastError() == ERROR_ACCESS_DENIED && ClearReadOnly(path) &&
         ::DeleteFileW(path.c_str());
}

bool ReplaceFileEvenIfReadOnly(const std::wstring& source, const std::wstring& target) {
  if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
    return true;
  const DWORD error = ::GetLastError();
  if (error == ERROR_ACCESS_DENIED && ClearReadOnly(target))
    return ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  // The caller tells a file held open from other failures by this error.
  ::SetLastError(error);
  return false;
}

}  // namespace archive
