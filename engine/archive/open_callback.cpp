#include "engine/archive/open_callback.h"

namespace archive::detail {

STDMETHODIMP OpenCallback::SetTotal(const UInt64*, const UInt64*) noexcept {
  return S_OK;
}

STDMETHODIMP OpenCallback::SetCompleted(const UInt64*, const UInt64*) noexcept {
  return S_OK;
}

STDMETHODIMP OpenCallback::CryptoGetTextPassword(BSTR* password) noexcept {
  if (password != nullptr)
    *password = nullptr;
  return E_ABORT;
}

}  // namespace archive::detail
