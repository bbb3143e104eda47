#pragma once

#include <windows.h>

#include <utility>

namespace base {

// Kernel handles from CreateFile and friends: INVALID_HANDLE_VALUE and null both mean "none".
struct KernelHandleTraits {
  static bool IsValid(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { ::CloseHandle(handle); }
};

// Owns one handle and closes it through Traits; move-only.
template <typename Traits>
class ScopedHandleT {
 public:
  ScopedHandleT() = default;
  explicit ScopedHandleT(HANDLE handle) : handle_(handle) {}
  ~ScopedHandleT() { Reset(); }
  ScopedHandleT(ScopedHandleT&& other) noexcept : handle_(other.Release()) {}
  ScopedHandleT& operator=(ScopedHandleT&& other) noexcept {
    if (this != &other)
      Reset(other.Release());
    return *this;
  }
  ScopedHandleT(const ScopedHandleT&) = delete;
  ScopedHandleT& operator=(const ScopedHandleT&) = delete;

  bool IsValid() const { return Traits::IsValid(handle_); }
  HANDLE Get() const { return handle_; }
  HANDLE Release() { return std::exchange(handle_, nullptr); }
  void Reset(HANDLE handle = nullptr) {
    if (Traits::IsValid(handle_))
      Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

using ScopedHandle = ScopedHandleT<KernelHandleTraits>;

}  // namespace base
