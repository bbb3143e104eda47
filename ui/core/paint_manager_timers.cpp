#include <algorithm>

#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

// Native identifiers run modulo this; the layered repaint timer (0x2000) lies outside the range.
constexpr uint32_t kNativeTimerIdCount = 255;

}  // namespace

bool PaintManager::StartTimer(Control* control, uint32_t timerId, uint32_t elapse) {
  if (!control || !window_)
    return false;
  for (TimerRecord& record : timers_) {
    if (record.control != control || record.window != window_ || record.timerId != timerId)
      continue;
    if (!record.stopped)
      return false;
    if (!::SetTimer(window_, record.nativeId, elapse, nullptr))
      return false;
    record.stopped = false;
    return true;
  }
  uint32_t nativeId = 0;
  if (!TakeNativeTimerId(nativeId))
    return false;
  if (!::SetTimer(window_, nativeId, elapse, nullptr))
    return false;
  timers_.push_back({control, timerId, window_, nativeId, false});
  return true;
}

// Identifiers follow the counter (17, 18, ... 254, 0, 1, ...). Once the counter has gone round,
// an identifier that a record of this window still holds (running, or stopped and kept for
// reuse) is passed over: starting the platform timer under it again would silently take that
// timer from its control.
bool PaintManager::TakeNativeTimerId(uint32_t& nativeId) {
  for (uint32_t attempt = 0; attempt < kNativeTimerIdCount; ++attempt) {
    timerCounter_ =
        static_cast<int>((static_cast<uint32_t>(timerCounter_) + 1) % kNativeTimerIdCount);
    const uint32_t candidate = static_cast<uint32_t>(timerCounter_);
    const bool taken = std::any_of(timers_.begin(), timers_.end(), [&](const TimerRecord& r) {
      return r.window == window_ && r.nativeId == candidate;
    });
    if (!taken) {
      nativeId = candidate;
      return true;
    }
  }
  return false;
}

bool PaintManager::StopTimer(Control* control, uint32_t timerId) {
  for (TimerRecord& record : timers_) {
    if (record.control != control || record.window != window_ || record.timerId != timerId ||
        record.stopped) {
      continue;
    }
    if (::IsWindow(record.window))
      ::KillTimer(record.window, record.nativeId);
    record.stopped = true;
    return true;
  }
  return false;
}

void PaintManager::StopTimers(Control* control) {
  std::erase_if(timers_, [&](const TimerRecord& record) {
    if (record.control != control || record.window != window_)
      return false;
    if (!record.stopped && ::IsWindow(record.window))
      ::KillTimer(record.window, record.nativeId);
    return true;
  });
}

void PaintManager::RemoveAllTimers() {
  for (const TimerRecord& record : timers_) {
    if (!record.stopped && ::IsWindow(record.window))
      ::KillTimer(record.window, record.nativeId);
  }
  timers_.clear();
}

void PaintManager::OnTimerMessage(uint32_t nativeId, LPARAM lParam) {
  if (layered_ && nativeId == kLayeredTimerId) {
    RepaintLayered();
    return;
  }
  auto it = std::find_if(timers_.begin(), timers_.end(), [&](const TimerRecord& record) {
    return record.window == window_ && record.nativeId == nativeId && !record.stopped;
  });
  if (it == timers_.end())
    return;
  Control* control = it->control;
  ControlEvent event;
  event.kind = ControlEventKind::Timer;
  event.sender = control;
  event.timestamp = ::GetTickCount();
  event.mousePoint = mousePosition_;
  event.keyState = CurrentKeyState();
  event.wParam = it->timerId;
  event.lParam = static_cast<int32_t>(lParam);
  control->HandleEvent(event);
}

}  // namespace ui
