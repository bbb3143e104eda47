#include "app/protected_log_folder.h"

#include <windows.h>

#include <aclapi.h>
#include <shlobj.h>

#include <memory>
#include <mutex>

#include "app/shell_folders.h"
#include "base/folder_security.h"
#include "base/scoped_generic.h"
#include "base/scoped_handle.h"

namespace {

constexpr wchar_t kProductFolder[] = L"Quenby";
constexpr wchar_t kLogsFolder[] = L"logs";

struct SidTraits {
  static bool IsValid(PSID sid) { return sid != nullptr; }
  static void Free(PSID sid) { ::FreeSid(sid); }
};
using ScopedSid = base::ScopedGeneric<PSID, SidTraits>;

// Gives a folder that someone else may have made the rules of one the installer made: owner
// Administrators (an owner may always rewrite the rules), the protected access rules, nothing
// inherited.
bool TakeOver(HANDLE folder) {
  base::ProtectedFolderSecurity security;
  SECURITY_ATTRIBUTES* attributes = security.Get();
  if (!attributes)
    return false;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL rules = nullptr;
  if (!::GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &rules,
                                   &defaulted) ||
      !present)
    return false;
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!::AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators))
    return false;
  const ScopedSid owner(administrators);
  return ::SetSecurityInfo(folder, SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                               PROTECTED_DACL_SECURITY_INFORMATION,
                           owner.Get(), nullptr, rules, nullptr) == ERROR_SUCCESS;
}

// Creates path with the protected rules, or takes over the folder that is there; the handle
// holds it without delete sharing. Invalid when it is a link or no folder, or cannot be had.
base::ScopedHandle HoldProtectedFolder(const std::wstring& path) {
  base::ProtectedFolderSecurity security;
  const bool created = ::CreateDirectoryW(path.c_str(), security.Get()) != FALSE;
  if (!created && ::GetLastError() != ERROR_ALREADY_EXISTS)
    return base::ScopedHandle();
  // Listing access: sharing binds only handles that have data access, so a handle of attributes
  // and rules alone would not keep the folder from being renamed.
  base::ScopedHandle folder(
      ::CreateFileW(path.c_str(),
                    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL |
                        WRITE_DAC | WRITE_OWNER,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder.IsValid())
    return folder;
  BY_HANDLE_FILE_INFORMATION information;
  if (!::GetFileInformationByHandle(folder.Get(), &information) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return base::ScopedHandle();
  if (!created && !TakeOver(folder.Get()))
    return base::ScopedHandle();
  return folder;
}

struct HeldFolder {
  base::ScopedHandle product;
  base::ScopedHandle logs;
  std::wstring path;
};

}  // namespace

std::wstring ProtectedLogFolder() {
  // Looked up and held once: the start-failure record and the run's log share it.
  static std::once_flag once;
  // Never freed: the handles are held until the process ends.
  static HeldFolder* held = nullptr;
  std::call_once(once, [] {
    const std::wstring programData = SpecialFolderPath(CSIDL_COMMON_APPDATA);
    if (programData.empty())
      return;
    auto folder = std::make_unique<HeldFolder>();
    const std::wstring product = programData + L"\\" + kProductFolder;
    const std::wstring logs = product + L"\\" + kLogsFolder;
    folder->product = HoldProtectedFolder(product);
    if (!folder->product.IsValid())
      return;
    folder->logs = HoldProtectedFolder(logs);
    if (!folder->logs.IsValid())
      return;
    folder->path = logs + L"\\";
    held = folder.release();
  });
  return held ? held->path : std::wstring();
}
