#pragma once

#include <windows.h>

#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace base {

// Holds one reference to a COM object and releases it when it goes. Copies take a reference of
// their own; moves pass the one they hold.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a reference of its own to object (which may be a new object with a count of 0).
  explicit ComPtr(T* object) : object_(object) {
    if (object_)
      object_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.object_) {}
  ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ~ComPtr() { Reset(); }
  ComPtr& operator=(const ComPtr& other) {
    Reset(other.object_);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }

  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

  // Holds object instead (taking a reference to it) and releases what was held.
  void Reset(T* object = nullptr) {
    if (object)
      object->AddRef();
    if (T* old = std::exchange(object_, object))
      old->Release();
  }
  // Takes over a reference that the caller owns, without adding one.
  void Attach(T* object) {
    if (T* old = std::exchange(object_, object))
      old->Release();
  }
  // Hands the reference to the caller, who must release it.
  [[nodiscard]] T* Detach() { return std::exchange(object_, nullptr); }

  // For an out parameter that receives a new reference: releases what was held first.
  T** Receive() {
    Reset();
    return &object_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

  // Gives the caller a reference of its own through an out parameter, as COM methods return
  // objects.
  HRESULT CopyTo(T** out) const {
    if (out == nullptr)
      return E_POINTER;
    *out = object_;
    if (object_)
      object_->AddRef();
    return S_OK;
  }

  // Asks the object for another of its interfaces.
  template <typename U>
  HRESULT QueryInterface(REFIID iid, ComPtr<U>& result) const {
    if (!object_)
      return E_POINTER;
    return object_->QueryInterface(iid, result.ReceiveVoid());
  }

 private:
  T* object_ = nullptr;
};

}  // namespace base
