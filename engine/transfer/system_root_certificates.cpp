#include "engine/transfer/system_root_certificates.h"

#include <windows.h>

#include <wincrypt.h>

#include <cstdint>

namespace {

std::string Base64(const BYTE* data, DWORD size) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((size + 2) / 3 * 4);
  for (DWORD i = 0; i < size; i += 3) {
    const uint32_t chunk = (static_cast<uint32_t>(data[i]) << 16) |
                           (i + 1 < size ? static_cast<uint32_t>(data[i + 1]) << 8 : 0) |
                           (i + 2 < size ? static_cast<uint32_t>(data[i + 2]) : 0);
    text += kDigits[(chunk >> 18) & 63];
    text += kDigits[(chunk >> 12) & 63];
    text += i + 1 < size ? kDigits[(chunk >> 6) & 63] : '=';
    text += i + 2 < size ? kDigits[chunk & 63] : '=';
  }
  return text;
}

void AppendStore(DWORD location, std::string& pem) {
  HCERTSTORE store =
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, location | CERT_STORE_READONLY_FLAG, L"ROOT");
  if (store == nullptr)
    return;
  PCCERT_CONTEXT certificate = nullptr;
  while ((certificate = ::CertEnumCertificatesInStore(store, certificate)) != nullptr) {
    const std::string body = Base64(certificate->pbCertEncoded, certificate->cbCertEncoded);
    pem += "-----BEGIN CERTIFICATE-----\n";
    for (size_t at = 0; at < body.size(); at += 64)
      pem += body.substr(at, 64) + "\n";
    pem += "-----END CERTIFICATE-----\n";
  }
  ::CertCloseStore(store, 0);
}

}  // namespace

const std::string& SystemRootCertificatesPem() {
  static const std::string* const pem = [] {
    auto* text = new std::string;
    AppendStore(CERT_SYSTEM_STORE_LOCAL_MACHINE, *text);
    AppendStore(CERT_SYSTEM_STORE_CURRENT_USER, *text);
    return text;
  }();
  return *pem;
}
