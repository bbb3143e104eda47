#pragma once

#include <windows.h>

#include <objbase.h>

#include <memory>

namespace base {

struct CoTaskMemFreer {
  void operator()(void* memory) const { ::CoTaskMemFree(memory); }
};

// Memory the system hands over from the COM task allocator (the shell's ID lists and display
// names), freed with it when it goes.
template <typename T>
using ScopedCoMem = std::unique_ptr<T, CoTaskMemFreer>;

}  // namespace base
