#pragma once

#include <windows.h>

#include <unknwn.h>

namespace base {

// Which interface ids an implemented interface answers in QueryInterface. By default its own,
// as the platform headers declare it; interfaces that extend others, or that come from headers
// without declared ids, specialise this next to their declarations.
template <typename Interface>
struct InterfaceIds {
  static bool Match(REFIID iid) { return iid == __uuidof(Interface); }
};

// Base of the COM objects this program implements: IUnknown over the listed interfaces with an
// interlocked reference count (callers may use the object from their own threads). Objects start
// with a count of 0, are created with new and owned through ComPtr; the last Release deletes
// them. Their methods run their bodies through CatchAll (exception_barrier.h).
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

}  // namespace base
