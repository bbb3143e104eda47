#pragma once

#include <windows.h>

#include <utility>

// Owns an open registry key and closes it; move-only.
class ScopedRegKey {
 public:
  ScopedRegKey() = default;
  explicit ScopedRegKey(HKEY key) : key_(key) {}
  ~ScopedRegKey() { Reset(); }
  ScopedRegKey(ScopedRegKey&& other) noexcept : key_(other.Release()) {}
  ScopedRegKey& operator=(ScopedRegKey&& other) noexcept {
    if (this != &other)
      Reset(other.Release());
    return *this;
  }
  ScopedRegKey(const ScopedRegKey&) = delete;
  ScopedRegKey& operator=(const ScopedRegKey&) = delete;

  HKEY Get() const { return key_; }
  HKEY* Receive() {
    Reset();
    return &key_;
  }
  HKEY Release() { return std::exchange(key_, nullptr); }
  void Reset(HKEY key = nullptr) {
    if (key_)
      ::RegCloseKey(key_);
    key_ = key;
  }

 private:
  HKEY key_ = nullptr;
};
