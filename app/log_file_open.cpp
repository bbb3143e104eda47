#include "app/log_file_open.h"

base::ScopedHandle OpenLogFileNoFollow(const std::wstring& path,
                                       DWORD access,
                                       DWORD share,
                                       DWORD disposition) {
  // Impersonation at identification level only: a name that turns out to be a named pipe's gets
  // no chance to act as this process.
  base::ScopedHandle file(::CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES, share, nullptr,
                                        disposition,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT |
                                            SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                        nullptr));
  if (!file.IsValid())
    return file;
  BY_HANDLE_FILE_INFORMATION information;
  if (!::GetFileInformationByHandle(file.Get(), &information) ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
      information.nNumberOfLinks > 1 || ::GetFileType(file.Get()) != FILE_TYPE_DISK)
    return base::ScopedHandle();
  return file;
}

bool DeleteLogFileNoFollow(const std::wstring& path) {
  const base::ScopedHandle file =
      OpenLogFileNoFollow(path, DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
  if (!file.IsValid())
    return false;
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition,
                                      sizeof(disposition)) != FALSE;
}
