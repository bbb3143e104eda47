#include "engine/placement/open_file_rename.h"

#include <cstddef>
#include <vector>

#include "engine/archive/read_only_files.h"

namespace {

bool Rename(HANDLE file, const std::wstring& target) {
  // FILE_RENAME_INFO ends in the name; the system takes a full path without a root handle.
  const size_t nameBytes = target.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes +
                                    sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(nameBytes);
  target.copy(rename->FileName, target.size());
  return ::SetFileInformationByHandle(file, FileRenameInfo, rename,
                                      static_cast<DWORD>(buffer.size())) != FALSE;
}

}  // namespace

bool RenameOpenFileOver(HANDLE file, const std::wstring& target) {
  if (Rename(file, target))
    return true;
  const DWORD error = ::GetLastError();
  if (error == ERROR_ACCESS_DENIED && archive::ClearReadOnly(target))
    return Rename(file, target);
  // The caller tells a file held open from other failures by this error.
  ::SetLastError(error);
  return false;
}
