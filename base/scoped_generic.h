#pragma once

#include <utility>

namespace base {

// Owns one handle of type T and frees it through Traits; move-only. Traits says which values
// are handles (IsValid) and how one is given back (Free). An empty object holds null. Each kind
// of release call has a traits type of its own: scoped_handle.h, scoped_gdi.h.
template <typename T, typename Traits>
class ScopedGeneric {
 public:
  ScopedGeneric() = default;
  explicit ScopedGeneric(T object) : object_(object) {}
  ~ScopedGeneric() { Reset(); }
  ScopedGeneric(ScopedGeneric&& other) noexcept : object_(other.Release()) {}
  ScopedGeneric& operator=(ScopedGeneric&& other) noexcept {
    if (this != &other)
      Reset(other.Release());
    return *this;
  }
  ScopedGeneric(const ScopedGeneric&) = delete;
  ScopedGeneric& operator=(const ScopedGeneric&) = delete;

  bool IsValid() const { return Traits::IsValid(object_); }
  explicit operator bool() const { return IsValid(); }
  T Get() const { return object_; }
  // Hands the handle to the caller, who then frees it.
  [[nodiscard]] T Release() { return std::exchange(object_, T()); }
  void Reset(T object = T()) {
    if (Traits::IsValid(object_))
      Traits::Free(object_);
    object_ = object;
  }

 private:
  T object_ = T();
};

}  // namespace base
