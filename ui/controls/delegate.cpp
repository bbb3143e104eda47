#include "ui/controls/delegate.h"

#include <algorithm>

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
  for (const auto& listed : delegates_) {
    if (listed->Equals(delegate))
      return;
  }
  delegates_.emplace_back(delegate.Copy());
}

void HookList::Remove(const DelegateBase& delegate) {
  auto it = std::find_if(delegates_.begin(), delegates_.end(),
                         [&](const auto& listed) { return listed->Equals(delegate); });
  if (it != delegates_.end())
    delegates_.erase(it);
}

bool HookList::Fire(void* argument) {
  // A delegate may add to or remove from this list while it runs, so walk by index.
  for (size_t i = 0; i < delegates_.size(); ++i) {
    if (!delegates_[i]->Invoke(argument))
      return false;
  }
  return true;
}

}  // namespace ui
