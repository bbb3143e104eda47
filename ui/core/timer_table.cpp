#include "ui/core/timer_table.h"

#include <algorithm>

namespace ui {
namespace {

// Native identifiers run modulo this; the layered repaint timer (0x2000) lies outside the range.
constexpr uint32_t kNativeTimerIdCount = 255;

}  // namespace

bool TimerTable::Start(Control* control, uint32_t timerId, uint32_t elapse) {
  if (!control)
    return false;
  for (Record& record : records_) {
    if (record.control != control || record.timerId != timerId)
      continue;
    if (!record.stopped || !platform_.Set(record.nativeId, elapse))
      return false;
    record.stopped = false;
    return true;
  }
  uint32_t nativeId = 0;
  if (!TakeNativeId(nativeId) || !platform_.Set(nativeId, elapse))
    return false;
  records_.push_back({control, timerId, nativeId, false});
  return true;
}

// Identifiers follow the counter (17, 18, ... 254, 0, 1, ...). Once the counter has gone round,
// an identifier that a record still holds (running, or stopped and kept for reuse) is passed
// over: starting the platform timer under it again would silently take that timer from its
// control.
bool TimerTable::TakeNativeId(uint32_t& nativeId) {
  for (uint32_t attempt = 0; attempt < kNativeTimerIdCount; ++attempt) {
    counter_ = (counter_ + 1) % kNativeTimerIdCount;
    const uint32_t candidate = counter_;
    const bool taken = std::any_of(records_.begin(), records_.end(),
                                   [&](const Record& r) { return r.nativeId == candidate; });
    if (!taken) {
      nativeId = candidate;
      return true;
    }
  }
  return false;
}

bool TimerTable::Stop(Control* control, uint32_t timerId) {
  for (Record& record : records_) {
    if (record.control != control || record.timerId != timerId || record.stopped)
      continue;
    platform_.Kill(record.nativeId);
    record.stopped = true;
    return true;
  }
  return false;
}

void TimerTable::StopAll(Control* control) {
  std::erase_if(records_, [&](const Record& record) {
    if (record.control != control)
      return false;
    if (!record.stopped)
      platform_.Kill(record.nativeId);
    return true;
  });
}

void TimerTable::Clear() {
  for (const Record& record : records_) {
    if (!record.stopped)
      platform_.Kill(record.nativeId);
  }
  records_.clear();
}

bool TimerTable::Find(uint32_t nativeId, Entry& entry) const {
  auto it = std::find_if(records_.begin(), records_.end(), [&](const Record& record) {
    return record.nativeId == nativeId && !record.stopped;
  });
  if (it == records_.end())
    return false;
  entry = {it->control, it->timerId};
  return true;
}

bool WindowTimerPlatform::Set(uint32_t nativeId, uint32_t elapse) {
  return window_ && ::SetTimer(window_, nativeId, elapse, nullptr) != 0;
}

// A window that is gone took its timers with it.
void WindowTimerPlatform::Kill(uint32_t nativeId) {
  if (::IsWindow(window_))
    ::KillTimer(window_, nativeId);
}

}  // namespace ui
