#include "app/uninstall_entry.h"

#include <windows.h>

#include "app/product_names.h"
#include "base/scoped_reg_key.h"

std::vector<RegistryText> UninstallEntryValues(const std::wstring& installDir,
                                               const std::wstring& launcherName) {
  return {
      {L"DisplayIcon", installDir + L"\\" + launcherName},
      {L"DisplayName", product::kDisplayName},
      {L"InstallLocation", installDir},
      {L"Publisher", product::kPublisher},
      {L"UninstallString", installDir + L"\\" + product::kUninstallerName},
  };
}

bool WriteUninstallEntry(const std::wstring& installDir, const std::wstring& launcherName) {
  HKEY created = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, product::kUninstallKeyPath, 0, nullptr, 0, KEY_WRITE,
                        nullptr, &created, nullptr) != ERROR_SUCCESS)
    return false;
  const base::ScopedRegKey key(created);
  for (const RegistryText& value : UninstallEntryValues(installDir, launcherName)) {
    // The byte count includes the terminator.
    const DWORD bytes = static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t));
    if (::RegSetValueExW(key.Get(), value.name.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(value.text.c_str()), bytes) != ERROR_SUCCESS)
      return false;
  }
  return true;
}
