#pragma once

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <utility>
#include <vector>

namespace ui {

// An ordered list of observers that may change while it is being walked: an observer removed
// during a walk is not reached by it any more, one added during a walk waits for the next walk,
// and every other observer is reached once, in order. Duplicates are kept. T is a small copyable
// handle (a pointer, a shared pointer); a walk hands each observer over as a copy, so the list may
// grow while an observer runs. The list itself outlives its walks: its owner is not deleted
// while it tells its observers (a control's deletion waits for the dispatch, dispatch_scope.h).
template <typename T>
class ObserverList {
 public:
  ObserverList() = default;
  ObserverList(const ObserverList&) = delete;
  ObserverList& operator=(const ObserverList&) = delete;

  void Add(T observer) { entries_.push_back({std::move(observer), false}); }

  // Takes out the first entry still listed that equals observer.
  bool Remove(const T& observer) {
    return RemoveFirstIf([&](const T& listed) { return listed == observer; });
  }

  template <typename Predicate>
  bool RemoveFirstIf(Predicate&& matches) {
    for (Entry& entry : entries_) {
      if (!entry.removed && matches(entry.observer)) {
        entry.removed = true;
        Compact();
        return true;
      }
    }
    return false;
  }

  // Takes out every entry that equals observer; returns how many there were.
  size_t RemoveAll(const T& observer) {
    size_t count = 0;
    for (Entry& entry : entries_) {
      if (!entry.removed && entry.observer == observer) {
        entry.removed = true;
        ++count;
      }
    }
    Compact();
    return count;
  }

  void Clear() {
    for (Entry& entry : entries_)
      entry.removed = true;
    Compact();
  }

  bool Contains(const T& observer) const {
    return ContainsIf([&](const T& listed) { return listed == observer; });
  }

  template <typename Predicate>
  bool ContainsIf(Predicate&& matches) const {
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
      return !entry.removed && matches(entry.observer);
    });
  }

  size_t Count() const {
    return static_cast<size_t>(std::count_if(entries_.begin(), entries_.end(),
                                             [](const Entry& entry) { return !entry.removed; }));
  }
  bool IsEmpty() const { return Count() == 0; }

  // The observers still listed, in order.
  std::vector<T> Snapshot() const {
    std::vector<T> observers;
    for (const Entry& entry : entries_) {
      if (!entry.removed)
        observers.push_back(entry.observer);
    }
    return observers;
  }

  // Hands each observer to visit, first to last. A visit that answers a bool ends the walk by
  // answering false; the walk then answers false, otherwise true.
  template <typename Visit>
  bool ForEach(Visit&& visit) {
    WalkGuard walking(*this);
    const size_t listed = entries_.size();
    for (size_t i = 0; i < listed; ++i) {
      if (!Call(visit, i))
        return false;
    }
    return true;
  }

  // The same, last to first.
  template <typename Visit>
  bool ForEachReverse(Visit&& visit) {
    WalkGuard walking(*this);
    for (size_t i = entries_.size(); i-- > 0;) {
      if (!Call(visit, i))
        return false;
    }
    return true;
  }

 private:
  struct Entry {
    T observer;
    bool removed;
  };

  // Entries are only marked while a walk is under way, so that indexes stay put; the marked ones
  // go once the last walk has ended.
  class WalkGuard {
   public:
    explicit WalkGuard(ObserverList& list) : list_(list) { ++list_.walks_; }
    ~WalkGuard() {
      --list_.walks_;
      list_.Compact();
    }
    WalkGuard(const WalkGuard&) = delete;
    WalkGuard& operator=(const WalkGuard&) = delete;

   private:
    ObserverList& list_;
  };

  template <typename Visit>
  bool Call(Visit& visit, size_t index) {
    if (entries_[index].removed)
      return true;
    T observer = entries_[index].observer;
    if constexpr (std::is_same_v<std::invoke_result_t<Visit&, T&>, bool>) {
      return visit(observer);
    } else {
      visit(observer);
      return true;
    }
  }

  void Compact() {
    if (walks_ == 0)
      std::erase_if(entries_, [](const Entry& entry) { return entry.removed; });
  }

  std::vector<Entry> entries_;
  int walks_ = 0;
};

}  // namespace ui
