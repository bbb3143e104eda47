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
  for (const Entry& entry : entries_) {
    if (!entry.removed && entry.delegate->Equals(delegate))
      return;
  }
  entries_.push_back({std::unique_ptr<DelegateBase>(delegate.Copy())});
}

void HookList::Remove(const DelegateBase& delegate) {
  auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
    return !entry.removed && entry.delegate->Equals(delegate);
  });
  if (it == entries_.end())
    return;
  it->removed = true;
  Sweep();
}

void HookList::Clear() {
  for (Entry& entry : entries_)
    entry.removed = true;
  Sweep();
}

size_t HookList::Count() const {
  return static_cast<size_t>(
      std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.removed; }));
}

void HookList::Sweep() {
  if (firing_ == 0)
    std::erase_if(entries_, [](const Entry& entry) { return entry.removed; });
}

bool HookList::Fire(void* argument) {
  // Entries are only marked while a round runs, so indexes stay put; delegates added during
  // the round wait for the next one.
  ++firing_;
  const size_t listed = entries_.size();
  bool goOn = true;
  for (size_t i = 0; i < listed && goOn; ++i) {
    if (!entries_[i].removed)
      goOn = entries_[i].delegate->Invoke(argument);
  }
  --firing_;
  Sweep();
  return goOn;
}

}  // namespace ui
