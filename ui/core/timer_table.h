#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace ui {

class Control;

// The controls' timers of one window: each control numbers its own timers, and the table maps
// them onto the platform's timer identifiers, which are few (a window's identifiers run modulo
// 255) and shared by every control of the window. The table decides; a Platform starts and stops
// the platform's timers, so that the table is tested without a window. The table never owns the
// controls it lists.
class TimerTable {
 public:
  // Starts and stops the platform's timers of one window.
  class Platform {
   public:
    virtual bool Set(uint32_t nativeId, uint32_t elapse) = 0;
    virtual void Kill(uint32_t nativeId) = 0;

   protected:
    ~Platform() = default;
  };

  // The control's timer behind a platform identifier.
  struct Entry {
    Control* control = nullptr;
    uint32_t timerId = 0;
  };

  explicit TimerTable(Platform& platform) : platform_(platform) {}
  TimerTable(const TimerTable&) = delete;
  TimerTable& operator=(const TimerTable&) = delete;

  // False when the timer already runs, when every identifier is taken, or when the platform
  // refuses. A stopped timer starts again under its earlier identifier.
  bool Start(Control* control, uint32_t timerId, uint32_t elapse);
  // False when the timer does not run.
  bool Stop(Control* control, uint32_t timerId);
  // Stops the control's timers and forgets them, also the stopped ones.
  void StopAll(Control* control);
  // Stops every timer and forgets them all.
  void Clear();
  // Forgets every timer without stopping it: the window took its timers with it.
  void Forget() { records_.clear(); }
  // The running timer behind nativeId; false when none runs under it.
  bool Find(uint32_t nativeId, Entry& entry) const;

 private:
  struct Record {
    Control* control = nullptr;
    uint32_t timerId = 0;
    uint32_t nativeId = 0;
    bool stopped = false;
  };

  // Finds the identifier for a new timer; false when every identifier is taken.
  bool TakeNativeId(uint32_t& nativeId);

  Platform& platform_;
  std::vector<Record> records_;
  uint32_t counter_ = 4096;
};

// The platform's timers of a window (SetTimer and KillTimer); none without a window.
class WindowTimerPlatform final : public TimerTable::Platform {
 public:
  void SetWindow(HWND window) { window_ = window; }
  bool Set(uint32_t nativeId, uint32_t elapse) override;
  void Kill(uint32_t nativeId) override;

 private:
  HWND window_ = nullptr;
};

}  // namespace ui
