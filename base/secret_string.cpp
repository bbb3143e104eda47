#include "base/secret_string.h"

namespace base {

SecretString SecretToUtf8(const SecretWString& secret) {
  SecretString converted;
  if (secret.empty())
    return converted;
  const int length = static_cast<int>(secret.size());
  const int bytes =
      ::WideCharToMultiByte(CP_UTF8, 0, secret.c_str(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0)
    return converted;
  converted.Resize(static_cast<std::size_t>(bytes));
  ::WideCharToMultiByte(CP_UTF8, 0, secret.c_str(), length, converted.data(), bytes, nullptr,
                        nullptr);
  converted.TrimAtNul();
  return converted;
}

}  // namespace base
