#pragma once

#include <string_view>

// Watches the heap blocks the program gives back through operator delete for a secret: while a
// FreedMemoryWatch lives, every block freed is searched for the secret's UTF-16 and UTF-8 bytes
// before it goes back to the heap. A program using it links freed_memory.cpp, which replaces the
// global operator new and delete.
class FreedMemoryWatch {
 public:
  // secret: ASCII, up to 63 characters, so that both forms are known without allocating.
  explicit FreedMemoryWatch(std::string_view secret);
  ~FreedMemoryWatch();
  FreedMemoryWatch(const FreedMemoryWatch&) = delete;
  FreedMemoryWatch& operator=(const FreedMemoryWatch&) = delete;

  // Blocks freed since the watch began that still held the secret.
  int BlocksHoldingTheSecret() const;
};
