// Reads back what an installation left on the system, through the same Windows calls a user's
// tools would use, and prints it as UTF-8 "name=value" lines:
//   install-probe report <install folder>
//     uninstall.<value>=<text> for each value of the uninstall entry (uninstall=missing when
//     the entry is absent), shortcut.<desktop|start_menu>.{path,exists,target,working_folder},
//     install_dat.size and install_dat.first_bytes (the first 16 bytes in hex).
//   install-probe forget
//     removes the uninstall entry and both shortcuts, so that the next install starts afresh;
//     the installed files are left to the caller.
// Exit code 0, or 2 for a wrong command line.
#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/product_names.h"
#include "app/registration.h"
#include "app/shell_link.h"
#include "base/scoped_handle.h"
#include "base/scoped_reg_key.h"
#include "base/system_library.h"

namespace {

constexpr const wchar_t* kUninstallValueNames[] = {
    L"DisplayIcon", L"DisplayName", L"InstallLocation", L"Publisher", L"UninstallString"};
constexpr DWORD kFirstBytes = 16;

std::string Utf8(const std::wstring& text) {
  if (text.empty())
    return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string result(size > 0 ? size : 0, '\0');
  if (size > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                          size, nullptr, nullptr);
  return result;
}

void PrintLine(const std::string& name, const std::wstring& value) {
  std::printf("%s=%s\n", name.c_str(), Utf8(value).c_str());
}

void ReportUninstallEntry() {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, product::kUninstallKeyPath, 0,
                      KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
    PrintLine("uninstall", L"missing");
    return;
  }
  const base::ScopedRegKey key(opened);
  for (const wchar_t* name : kUninstallValueNames) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) {
      PrintLine("uninstall." + Utf8(name), L"(missing)");
      continue;
    }
    if (type != REG_SZ) {
      PrintLine("uninstall." + Utf8(name), L"(not REG_SZ)");
      continue;
    }
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                           &size) != ERROR_SUCCESS) {
      PrintLine("uninstall." + Utf8(name), L"(unreadable)");
      continue;
    }
    text.resize(wcsnlen(text.c_str(), text.size()));
    PrintLine("uninstall." + Utf8(name), text);
  }
}

void ReportShortcut(const std::string& label, const std::wstring& linkPath) {
  const std::string prefix = "shortcut." + label;
  PrintLine(prefix + ".path", linkPath);
  const bool exists =
      !linkPath.empty() && ::GetFileAttributesW(linkPath.c_str()) != INVALID_FILE_ATTRIBUTES;
  PrintLine(prefix + ".exists", exists ? L"yes" : L"no");
  if (!exists)
    return;
  const ShellLinkContents link = ReadShellLink(linkPath);
  if (!link.loaded) {
    PrintLine(prefix + ".target", L"(unreadable)");
    return;
  }
  PrintLine(prefix + ".target", link.target);
  PrintLine(prefix + ".working_folder", link.workingFolder);
}

void ReportInstallRecord(const std::wstring& installDir) {
  const std::wstring path = installDir + L"\\" + product::kInstallRecordName;
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size = {};
  if (!file.IsValid() || !::GetFileSizeEx(file.Get(), &size)) {
    PrintLine("install_dat.size", L"(missing)");
    return;
  }
  std::printf("install_dat.size=%lld\n", size.QuadPart);
  unsigned char bytes[kFirstBytes] = {};
  DWORD read = 0;
  if (!::ReadFile(file.Get(), bytes, kFirstBytes, &read, nullptr))
    read = 0;
  std::string hex;
  for (DWORD i = 0; i < read; ++i) {
    char digits[4];
    std::snprintf(digits, sizeof(digits), i ? " %02x" : "%02x", bytes[i]);
    hex += digits;
  }
  std::printf("install_dat.first_bytes=%s\n", hex.c_str());
}

void Forget() {
  ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, product::kUninstallKeyPath, 0, 0);
  for (const std::wstring& link : {DesktopShortcutPath(), StartMenuShortcutPath()}) {
    if (!link.empty())
      ::DeleteFileW(link.c_str());
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  base::RestrictDllSearchToSystemFolder();
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"report" && argc == 3) {
    ReportUninstallEntry();
    ReportShortcut("desktop", DesktopShortcutPath());
    ReportShortcut("start_menu", StartMenuShortcutPath());
    ReportInstallRecord(argv[2]);
    return 0;
  }
  if (command == L"forget" && argc == 2) {
    Forget();
    return 0;
  }
  std::fprintf(stderr, "usage: install-probe report <install folder> | install-probe forget\n");
  return 2;
}
