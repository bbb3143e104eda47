#pragma once

#include "base/com_object.h"
#include "base/com_ptr.h"
#include "engine/archive/interface_ids.h"

namespace archive::detail {

// What a handler's Open calls back: progress, which is accepted and ignored, and the password,
// which is refused, so that an archive with encrypted headers does not open.
class OpenCallback final : public base::ComObject<IArchiveOpenCallback, ICryptoGetTextPassword> {
 public:
  STDMETHODIMP SetTotal(const UInt64* files, const UInt64* bytes) noexcept override;
  STDMETHODIMP SetCompleted(const UInt64* files, const UInt64* bytes) noexcept override;
  STDMETHODIMP CryptoGetTextPassword(BSTR* password) noexcept override;
};

}  // namespace archive::detail
