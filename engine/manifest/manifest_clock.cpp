#include "engine/manifest/manifest_clock.h"

#include <windows.h>

#include <sddl.h>

#include "base/scoped_reg_key.h"

namespace {

constexpr wchar_t kTimeValue[] = L"ManifestSignedAt";
constexpr wchar_t kDigestValue[] = L"ManifestSha256";
// SYSTEM and Administrators full control, Users read, not taken from the parent.
constexpr wchar_t kKeyRules[] = L"D:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)";

// The key's rules as a descriptor the system allocated (LocalFree), or null.
class ProtectedKeySecurity {
 public:
  ProtectedKeySecurity() {
    attributes_.nLength = sizeof(attributes_);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(kKeyRules, SDDL_REVISION_1,
                                                               &descriptor, nullptr))
      attributes_.lpSecurityDescriptor = descriptor;
  }
  ~ProtectedKeySecurity() {
    if (attributes_.lpSecurityDescriptor)
      ::LocalFree(attributes_.lpSecurityDescriptor);
  }
  ProtectedKeySecurity(const ProtectedKeySecurity&) = delete;
  ProtectedKeySecurity& operator=(const ProtectedKeySecurity&) = delete;

  SECURITY_ATTRIBUTES* Get() { return attributes_.lpSecurityDescriptor ? &attributes_ : nullptr; }

 private:
  SECURITY_ATTRIBUTES attributes_{};
};

}  // namespace

KeptManifest NewestInstalledManifest(const std::wstring& keyPath) {
  KeptManifest kept;
  if (keyPath.empty())
    return kept;
  unsigned long long seconds = 0;
  DWORD bytes = sizeof(seconds);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, keyPath.c_str(), kTimeValue, RRF_RT_REG_QWORD, nullptr,
                     &seconds, &bytes) != ERROR_SUCCESS)
    return kept;
  kept.signedAt = static_cast<long long>(seconds);
  wchar_t digest[80] = {};
  bytes = sizeof(digest);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, keyPath.c_str(), kDigestValue, RRF_RT_REG_SZ, nullptr,
                     digest, &bytes) == ERROR_SUCCESS) {
    for (const wchar_t* c = digest; *c; ++c)
      kept.sha256 += static_cast<char>(*c < 0x80 ? *c : '?');
  }
  return kept;
}

long long NewestManifestSigningTime(const std::wstring& keyPath) {
  return NewestInstalledManifest(keyPath).signedAt;
}

bool IsRolledBack(long long signedAt,
                  const std::string& sha256,
                  long long notBefore,
                  const KeptManifest& kept) {
  if (signedAt < notBefore || signedAt < kept.signedAt)
    return true;
  return kept.signedAt != 0 && signedAt == kept.signedAt && sha256 != kept.sha256;
}

bool KeepManifestSigningTime(const std::wstring& keyPath,
                             long long signedAt,
                             const std::string& sha256) {
  if (keyPath.empty())
    return false;
  if (NewestManifestSigningTime(keyPath) >= signedAt)
    return true;
  ProtectedKeySecurity security;
  HKEY opened = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        security.Get(), &opened, nullptr) != ERROR_SUCCESS)
    return false;
  const base::ScopedRegKey key(opened);
  // The digest first: a time without its digest would refuse the same manifest run again.
  const std::wstring digest(sha256.begin(), sha256.end());
  const unsigned long long seconds = static_cast<unsigned long long>(signedAt);
  return ::RegSetValueExW(
             key.Get(), kDigestValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(digest.c_str()),
             static_cast<DWORD>((digest.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS &&
         ::RegSetValueExW(key.Get(), kTimeValue, 0, REG_QWORD,
                          reinterpret_cast<const BYTE*>(&seconds),
                          sizeof(seconds)) == ERROR_SUCCESS;
}
