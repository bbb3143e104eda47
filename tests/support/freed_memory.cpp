#include "tests/support/freed_memory.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr size_t kMaxSecret = 63;
unsigned char utf8[kMaxSecret];
unsigned char utf16[kMaxSecret * 2];
size_t secretLength = 0;
std::atomic<bool> watching{false};
std::atomic<int> blocksHoldingTheSecret{0};

bool Holds(const unsigned char* block, size_t size, const unsigned char* needle, size_t length) {
  if (length == 0 || size < length)
    return false;
  for (size_t at = 0; at + length <= size; ++at) {
    if (block[at] == needle[0] && std::memcmp(block + at, needle, length) == 0)
      return true;
  }
  return false;
}

// Runs inside operator delete: allocates nothing.
void Inspect(void* block) {
  if (block == nullptr || !watching.load())
    return;
  const auto* bytes = static_cast<const unsigned char*>(block);
  const size_t size = _msize(block);
  if (Holds(bytes, size, utf8, secretLength) || Holds(bytes, size, utf16, secretLength * 2))
    ++blocksHoldingTheSecret;
}

}  // namespace

FreedMemoryWatch::FreedMemoryWatch(std::string_view secret) {
  secretLength = secret.size() < kMaxSecret ? secret.size() : kMaxSecret;
  for (size_t i = 0; i < secretLength; ++i) {
    utf8[i] = static_cast<unsigned char>(secret[i]);
    utf16[2 * i] = utf8[i];
    utf16[2 * i + 1] = 0;
  }
  blocksHoldingTheSecret = 0;
  watching = true;
}

FreedMemoryWatch::~FreedMemoryWatch() {
  watching = false;
}

int FreedMemoryWatch::BlocksHoldingTheSecret() const {
  return blocksHoldingTheSecret.load();
}

// The program's own operator new and delete: the C runtime's heap, as the library's, with the
// watch between a block's last use and its return.
void* operator new(size_t size) {
  if (void* block = std::malloc(size ? size : 1))
    return block;
  throw std::bad_alloc();
}

void* operator new[](size_t size) {
  return ::operator new(size);
}

void operator delete(void* block) noexcept {
  Inspect(block);
  std::free(block);
}

void operator delete[](void* block) noexcept {
  ::operator delete(block);
}

void operator delete(void* block, size_t) noexcept {
  ::operator delete(block);
}

void operator delete[](void* block, size_t) noexcept {
  ::operator delete(block);
}
