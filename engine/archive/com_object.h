#pragma once

#include <new>

#include "engine/archive/seven_zip.h"

namespace archive::detail {

// Which interface ids an implemented interface answers in QueryInterface: its own and those of
// the 7-Zip interfaces it extends.
template <typename Interface>
struct InterfaceIds;

template <>
struct InterfaceIds<IInStream> {
  static bool Match(REFIID iid) { return iid == IID_IInStream || iid == IID_ISequentialInStream; }
};
template <>
struct InterfaceIds<IStreamGetSize> {
  static bool Match(REFIID iid) { return iid == IID_IStreamGetSize; }
};
template <>
struct InterfaceIds<IOutStream> {
  static bool Match(REFIID iid) { return iid == IID_IOutStream || iid == IID_ISequentialOutStream; }
};
template <>
struct InterfaceIds<IArchiveOpenCallback> {
  static bool Match(REFIID iid) { return iid == IID_IArchiveOpenCallback; }
};
template <>
struct InterfaceIds<IArchiveExtractCallback> {
  static bool Match(REFIID iid) {
    return iid == IID_IArchiveExtractCallback || iid == IID_IProgress;
  }
};
template <>
struct InterfaceIds<ICryptoGetTextPassword> {
  static bool Match(REFIID iid) { return iid == IID_ICryptoGetTextPassword; }
};
template <>
struct InterfaceIds<ICompressProgressInfo> {
  static bool Match(REFIID iid) { return iid == IID_ICompressProgressInfo; }
};

// Base of the COM-style objects handed to the 7-Zip library: IUnknown over the listed
// interfaces with an interlocked reference count (the library may call from its own threads).
// Objects start with a count of 0, are created with new and owned through CMyComPtr; the last
// Release deletes them.
template <typename First, typename... Rest>
class ComObject : public First, public Rest... {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override {
    if (object == nullptr)
      return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown)
      *object = static_cast<First*>(this);
    else if (!(Answer<First>(iid, object) || (Answer<Rest>(iid, object) || ...)))
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override {
    return static_cast<ULONG>(::InterlockedIncrement(&refCount_));
  }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    const LONG count = ::InterlockedDecrement(&refCount_);
    if (count == 0)
      delete this;
    return static_cast<ULONG>(count);
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

 private:
  template <typename Interface>
  bool Answer(REFIID iid, void** object) {
    if (!InterfaceIds<Interface>::Match(iid))
      return false;
    *object = static_cast<Interface*>(this);
    return true;
  }

  LONG refCount_ = 0;
};

// Runs the body of a COM method so that no exception unwinds into the library.
template <typename Body>
HRESULT CatchAll(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace archive::detail
