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
  void Hide();
  // The delay before the tooltip shows; fallback until the tooltip window exists.
  DWORD InitialDelay(DWORD fallback) const;
  // Destroys the tooltip window now.
  void Close() { window_.Reset(); }
  // The owner was destroyed and took the tooltip window with it.
  void Release();
  // Drops a control that is going away; ForgetAll drops any.
  void Forget(const Control* control);
  void ForgetAll() { lastControl_ = nullptr; }

 private:
  struct WindowTraits {
    static bool IsValid(HWND window) { return window != nullptr; }
    static void Free(HWND window) { ::DestroyWindow(window); }
  };
  // Makes the tooltip window for owner; false when it cannot be made.
  bool Create(HWND owner, int maxWidth);

  base::ScopedGeneric<HWND, WindowTraits> window_;
  TOOLINFOW toolInfo_ = {};
  std::wstring text_;  // the text that toolInfo_ points at
  const Control* lastControl_ = nullptr;
  int cachedWidth_ = -1;
};

}  // namespace ui
