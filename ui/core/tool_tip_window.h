#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "base/scoped_generic.h"

namespace ui {

class Control;

// The tooltip of the control under the pointer: one common-controls tooltip window, made on first
// use and owned (as a Windows owned window) by the window it serves. Destroying the object
// destroys the tooltip window unless the owner took it with it (Release).
class ToolTipWindow {
 public:
  // Shows text, wrapped at maxWidth pixels, for control at area (client coordinates of owner),
  // tracked at point.
  void Show(HWND owner,
            const Control* control,
            std::wstring text,
            const RECT& area,
            POINT point,
            int maxWidth);
  void Hide() {
    if (window_)
      ::SendMessageW(window_.Get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&toolInfo_));
  }
  // The delay before the tooltip shows; fallback until the tooltip window exists.
  DWORD InitialDelay(DWORD fallback) const {
    return window_ ? static_cast<DWORD>(
                         ::SendMessageW(window_.Get(), TTM_GETDELAYTIME, TTDT_INITIAL, 0))
                   : fallback;
  }
  // Destroys the tooltip window now.
  void Close() { window_.Reset(); }
  // The owner was destroyed and took the tooltip window with it: there is nothing to destroy.
  void Release() { static_cast<void>(window_.Release()); }
  // Drops a control that is going away; ForgetAll drops any.
  void Forget(const Control* control) {
    if (lastControl_ == control)
      lastControl_ = nullptr;
  }
  void ForgetAll() { lastControl_ = nullptr; }

 private:
  struct WindowTraits {
    static bool IsValid(HWND window) { return window != nullptr; }
    static void Free(HWND window) { ::DestroyWindow(window); }
  };
  base::ScopedGeneric<HWND, WindowTraits> window_;
  TOOLINFOW toolInfo_ = {};
  std::wstring text_;  // the text that toolInfo_ points at
  const Control* lastControl_ = nullptr;
  int cachedWidth_ = -1;
};

}  // namespace ui
