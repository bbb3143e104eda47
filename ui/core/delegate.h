#pragma once

#include <cstddef>
#include <cstring>
#include <memory>

#include "ui/core/observer_list.h"

namespace ui {

// A callable bound to an object: invoked with one pointer argument, it answers whether the
// caller should go on. Two delegates are equal when they bind the same object to the same
// function.
class DelegateBase {
 public:
  virtual ~DelegateBase() = default;
  virtual DelegateBase* Copy() const = 0;
  virtual bool Invoke(void* argument) = 0;

  bool Equals(const DelegateBase& other) const;
  void* Object() const { return object_; }

 protected:
  // functionKey holds the bytes of the bound function pointer, for comparison only.
  DelegateBase(void* object, const void* functionKey, size_t keySize);

 private:
  static constexpr size_t kMaxKeySize = 16;
  void* object_;
  unsigned char functionKey_[kMaxKeySize] = {};
  size_t keySize_;
};

// A free function: bool Function(void* argument).
class StaticDelegate : public DelegateBase {
 public:
  using Function = bool (*)(void* argument);
  explicit StaticDelegate(Function function)
      : DelegateBase(nullptr, &function, sizeof(function)), function_(function) {}
  DelegateBase* Copy() const override { return new StaticDelegate(*this); }
  bool Invoke(void* argument) override { return function_(argument); }

 private:
  Function function_;
};

// A member function of T: bool T::Function(void* argument).
template <typename T>
class MemberDelegate : public DelegateBase {
 public:
  using Function = bool (T::*)(void* argument);
  MemberDelegate(T* object, Function function)
      : DelegateBase(object, &function, sizeof(function)), object_(object), function_(function) {
    static_assert(sizeof(Function) <= 16, "member function pointer too large for the key");
  }
  DelegateBase* Copy() const override { return new MemberDelegate(*this); }
  bool Invoke(void* argument) override { return (object_->*function_)(argument); }

 private:
  T* object_;
  Function function_;
};

inline StaticDelegate MakeDelegate(StaticDelegate::Function function) {
  return StaticDelegate(function);
}

template <typename T>
MemberDelegate<T> MakeDelegate(T* object, bool (T::*function)(void*)) {
  return MemberDelegate<T>(object, function);
}

// An ordered list of delegates fired at one moment of a control's life. The list owns copies
// of the delegates added to it. A delegate may add to or remove from the list while it fires, and
// may destroy the control that owns the list (the deletion waits for the dispatch to end, and a
// destroyed control's hooks fire no more): a round calls the delegates listed when it began and
// still listed when their turn comes; a removed delegate is kept until no round needs it.
class HookList {
 public:
  HookList() = default;
  HookList(const HookList&) = delete;
  HookList& operator=(const HookList&) = delete;

  // Appends a copy unless an equal delegate is already listed.
  void Add(const DelegateBase& delegate);
  void Remove(const DelegateBase& delegate);
  void Clear() { delegates_.Clear(); }
  bool IsEmpty() const { return delegates_.IsEmpty(); }
  size_t Count() const { return delegates_.Count(); }

  // Calls the delegates in order; false as soon as one answers false, else true.
  bool Fire(void* argument);

 private:
  ObserverList<std::shared_ptr<DelegateBase>> delegates_;
};

}  // namespace ui
