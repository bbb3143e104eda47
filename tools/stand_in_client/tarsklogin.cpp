// A stand-in for the client's launcher, shipped in the sample release of the demo and the tests.
// It records that it started, with its current folder and its command line, into
// "tarsklogin.started.txt" beside itself (UTF-8, one "name=value" line each), and ends.
#include <windows.h>

#include <string>

#include "base/scoped_handle.h"
#include "base/system_library.h"
#include "tools/stand_in_client/stand_in_support.h"

namespace {

std::wstring CurrentFolder() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  if (size == 0)
    return {};
  std::wstring folder(size, L'\0');
  const DWORD length = ::GetCurrentDirectoryW(size, folder.data());
  folder.resize(length < size ? length : 0);
  return folder;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  base::RestrictDllSearchToSystemFolder();
  const std::wstring folder = FolderOf(ModulePath());
  if (folder.empty())
    return 1;
  const std::wstring record = folder + L"\\tarsklogin.started.txt";
  const std::wstring partial = record + L".part";
  const std::string text = "current_folder=" + Utf8(CurrentFolder()) +
                           "\r\ncommand_line=" + Utf8(::GetCommandLineW()) + "\r\n";
  {
    base::ScopedHandle file(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file.IsValid() ||
        !::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size())
      return 1;
  }
  // Renamed into place whole, so that a reader never sees half a record.
  return ::MoveFileExW(partial.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
