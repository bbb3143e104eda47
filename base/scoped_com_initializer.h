#pragma once

#include <objbase.h>

namespace base {

// Initialises COM for the calling thread for the life of the object, as each operation that
// needs COM does for itself. Uninitialises only when the initialisation succeeded (S_FALSE, an
// already initialised thread, counts as success and is balanced too).
class ScopedComInitializer {
 public:
  ScopedComInitializer() : result_(::CoInitialize(nullptr)) {}
  ~ScopedComInitializer() {
    if (SUCCEEDED(result_))
      ::CoUninitialize();
  }
  ScopedComInitializer(const ScopedComInitializer&) = delete;
  ScopedComInitializer& operator=(const ScopedComInitializer&) = delete;

  bool Succeeded() const { return SUCCEEDED(result_); }

 private:
  HRESULT result_;
};

}  // namespace base
