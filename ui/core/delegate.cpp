#include "ui/core/delegate.h"

#include <algorithm>

#include "ui/core/dispatch_scope.h"

namespace ui {

DelegateBase::DelegateBase(void* object, const void* functionKey, size_t keySize)
    : object_(object), keySize_(std::min(keySize, kMaxKeySize)) {
  std::memcpy(functionKey_, functionKey, keySize_);
}

bool DelegateBase::Equals(const DelegateBase& other) const {
  return object_ == other.object_ && keySize_ == other.keySize_ &&
         std::memcmp(functionKey_, other.functionKey_, keySize_) == 0;
}

void HookList::Add(const DelegateBase& delegate) {
  const bool listed = delegates_.ContainsIf(
      [&](const std::shared_ptr<DelegateBase>& entry) { return entry->Equals(delegate); });
  if (!listed)
    delegates_.Add(std::shared_ptr<DelegateBase>(delegate.Copy()));
}

void HookList::Remove(const DelegateBase& delegate) {
  delegates_.RemoveFirstIf(
      [&](const std::shared_ptr<DelegateBase>& entry) { return entry->Equals(delegate); });
}

bool HookList::Fire(void* argument) {
  DispatchScope dispatch;
  return delegates_.ForEach(
      [&](const std::shared_ptr<DelegateBase>& entry) { return entry->Invoke(argument); });
}

}  // namespace ui
