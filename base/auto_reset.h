#pragma once

#include <utility>

namespace base {

// Sets a variable for the lifetime of the scope and puts the earlier value back when the scope
// ends, also when it ends by an exception.
template <typename T>
class AutoReset {
 public:
  AutoReset(T* variable, T value) : variable_(variable), saved_(std::exchange(*variable, value)) {}
  ~AutoReset() { *variable_ = std::move(saved_); }
  AutoReset(const AutoReset&) = delete;
  AutoReset& operator=(const AutoReset&) = delete;

 private:
  T* variable_;
  T saved_;
};

}  // namespace base
