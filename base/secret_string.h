#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace base {

// Gives memory back only after overwriting it with SecureZeroMemory, which the optimiser keeps.
template <typename T>
struct WipingAllocator {
  using value_type = T;

  WipingAllocator() = default;
  template <typename U>
  WipingAllocator(const WipingAllocator<U>&) noexcept {}

  T* allocate(std::size_t count) { return std::allocator<T>().allocate(count); }
  void deallocate(T* storage, std::size_t count) noexcept {
    ::SecureZeroMemory(storage, count * sizeof(T));
    std::allocator<T>().deallocate(storage, count);
  }

  template <typename U>
  bool operator==(const WipingAllocator<U>&) const noexcept {
    return true;
  }
  template <typename U>
  bool operator!=(const WipingAllocator<U>&) const noexcept {
    return false;
  }
};

// A password or other secret text. Its characters live only in storage that is wiped before it is
// freed, whether the text is replaced, copied, moved or destroyed (a vector, which unlike a string
// keeps no short text inside the object). Always NUL-terminated.
template <typename Char>
class BasicSecretString {
 public:
  BasicSecretString() : chars_(1, Char()) {}
  explicit BasicSecretString(std::basic_string_view<Char> text) { Assign(text); }

  void Assign(std::basic_string_view<Char> text) {
    Clear();
    chars_.reserve(text.size() + 1);
    chars_.assign(text.begin(), text.end());
    chars_.push_back(Char());
  }
  // Wipes the text, keeping its storage.
  void Clear() {
    ::SecureZeroMemory(chars_.data(), chars_.capacity() * sizeof(Char));
    chars_.assign(1, Char());
  }
  // Room for `length` characters and a NUL, all NUL, for a system call to write into through
  // data(); TrimAtNul() then makes its answer the text.
  void Resize(std::size_t length) {
    Clear();
    chars_.assign(length + 1, Char());
  }
  void TrimAtNul() {
    std::size_t length = 0;
    while (length + 1 < chars_.size() && chars_[length] != Char())
      ++length;
    chars_.resize(length + 1);
    chars_[length] = Char();
  }

  Char* data() { return chars_.data(); }
  const Char* c_str() const {
    static constexpr Char kEmpty[1] = {};
    return chars_.empty() ? kEmpty : chars_.data();
  }
  // A moved-from secret holds no storage at all and reads as empty.
  std::size_t size() const { return chars_.empty() ? 0 : chars_.size() - 1; }
  bool empty() const { return size() == 0; }
  std::basic_string_view<Char> view() const { return {c_str(), size()}; }

 private:
  std::vector<Char, WipingAllocator<Char>> chars_;
};

using SecretString = BasicSecretString<char>;      // UTF-8, as libcurl takes it
using SecretWString = BasicSecretString<wchar_t>;  // UTF-16, as Windows gives it

// The UTF-8 form of secret, converted straight into wiped storage.
SecretString SecretToUtf8(const SecretWString& secret);

}  // namespace base
