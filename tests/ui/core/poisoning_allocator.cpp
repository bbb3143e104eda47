// The program's operator new and delete for the tests of control lifetimes. A freed block is
// filled with kPoisonByte and held back from reuse (the most recent kQuarantineBytes of them), so
// that a use of freed memory cannot pass by luck on memory that still looks right or has been
// handed out again: its pointers read as 0xDDDD..., and a virtual call through them faults.
#include "tests/ui/core/poisoning_allocator.h"

#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

namespace ui::testing_support {
namespace {

constexpr size_t kQuarantineBytes = size_t{64} << 20;

// Precedes every block; keeps the user part aligned as operator new must.
struct alignas(alignof(std::max_align_t)) BlockHeader {
  size_t size;
  BlockHeader* next;  // the next older block in the quarantine
};

SRWLOCK lock = SRWLOCK_INIT;
BlockHeader* newest = nullptr;
BlockHeader* oldest = nullptr;
size_t quarantined = 0;

void* Allocate(size_t size) {
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + (size ? size : 1)));
  if (!header)
    return nullptr;
  header->size = size;
  header->next = nullptr;
  return header + 1;
}

void Free(void* block) {
  if (!block)
    return;
  BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
  std::memset(block, kPoisonByte, header->size);
  BlockHeader* released = nullptr;
  ::AcquireSRWLockExclusive(&lock);
  // Oldest first: kept as a queue whose head is the oldest block.
  header->next = nullptr;
  if (newest)
    newest->next = header;
  newest = header;
  if (!oldest)
    oldest = header;
  quarantined += header->size;
  // The oldest blocks go back to the heap once the quarantine is full.
  while (quarantined > kQuarantineBytes && oldest != newest) {
    BlockHeader* gone = oldest;
    oldest = gone->next;
    quarantined -= gone->size;
    gone->next = released;
    released = gone;
  }
  ::ReleaseSRWLockExclusive(&lock);
  while (released) {
    BlockHeader* next = released->next;
    std::free(released);
    released = next;
  }
}

void* AllocateOrThrow(size_t size) {
  if (void* block = Allocate(size))
    return block;
  throw std::bad_alloc();
}

}  // namespace
}  // namespace ui::testing_support

void* operator new(std::size_t size) {
  return ui::testing_support::AllocateOrThrow(size);
}

void* operator new[](std::size_t size) {
  return ui::testing_support::AllocateOrThrow(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return ui::testing_support::Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return ui::testing_support::Allocate(size);
}

void operator delete(void* block) noexcept {
  ui::testing_support::Free(block);
}

void operator delete[](void* block) noexcept {
  ui::testing_support::Free(block);
}

void operator delete(void* block, std::size_t) noexcept {
  ui::testing_support::Free(block);
}

void operator delete[](void* block, std::size_t) noexcept {
  ui::testing_support::Free(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept {
  ui::testing_support::Free(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept {
  ui::testing_support::Free(block);
}
