#pragma once

#include <windows.h>

namespace ui {

// Sees a window's messages before its paint manager does (a filter, asked by
// PaintManager::HandleWindowMessage) or a queued message before it is dispatched (a pre-filter,
// asked by PaintManager::PreTranslate). Setting handled consumes the message; the return value is
// then its result. The manager does not own its filters: whoever registers one removes it before
// it goes away.
class IMessageFilter {
 public:
  virtual LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;

 protected:
  ~IMessageFilter() = default;
};

// Translates a queued message (keyboard accelerators and the like) before it is dispatched.
// Answering 0 means that the message was translated and must not be dispatched.
class ITranslateAccelerator {
 public:
  virtual LRESULT Translate(MSG* message) = 0;

 protected:
  ~ITranslateAccelerator() = default;
};

}  // namespace ui
