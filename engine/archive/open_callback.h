#pragma once

#include "engine/archive/com_object.h"

namespace archive::detail {

// What a handler's Open calls back: progress, which is accepted and ignored, and the password,
// which is refused, so that an archive with encrypted headers does not open.
class OpenCallback final : public ComObject<IArchiveOpenCallback, ICryptoGetTextPassword> {
 public:
  STDMETHODIMP SetTotal(const UInt64* files, const UInt64* bytes) noexcept override;
  STDMETHODIMP SetCompleted(const UInt64* files, const UInt64* bytes) noexcept override;
  STDMETHODIMP CryptoGetTextPassword(BSTR* password) noexcept override;
};

}  // namespace archive::detail
