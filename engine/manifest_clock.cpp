#include "engine/manifest_clock.h"

#include <windows.h>

#include "base/scoped_reg_key.h"

namespace {

constexpr wchar_t kValueName[] = L"ManifestSignedAt";

}  // namespace

long long NewestManifestSigningTime(const std::wstring& keyPath) {
  if (keyPath.empty())
    return 0;
  unsigned long long seconds = 0;
  DWORD bytes = sizeof(seconds);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, keyPath.c_str(), kValueName, RRF_RT_REG_QWORD, nullptr,
                     &seconds, &bytes) != ERROR_SUCCESS)
    return 0;
  return static_cast<long long>(seconds);
}

bool KeepManifestSigningTime(const std::wstring& keyPath, long long signedAt) {
  if (keyPath.empty())
    return false;
  if (NewestManifestSigningTime(keyPath) >= signedAt)
    return true;
  HKEY opened = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &opened, nullptr) != ERROR_SUCCESS)
    return false;
  const base::ScopedRegKey key(opened);
  const unsigned long long seconds = static_cast<unsigned long long>(signedAt);
  return ::RegSetValueExW(key.Get(), kValueName, 0, REG_QWORD,
                          reinterpret_cast<const BYTE*>(&seconds),
                          sizeof(seconds)) == ERROR_SUCCESS;
}
