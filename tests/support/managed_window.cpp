#include "tests/support/managed_window.h"

#include "ui/core/paint_manager.h"

namespace ui::testing_support {
namespace {

constexpr wchar_t kClassName[] = L"QuenbyManagedTestWindow";

}  // namespace

LRESULT CALLBACK ManagedWindow::WindowProc(HWND window,
                                           UINT message,
                                           WPARAM wParam,
                                           LPARAM lParam) {
  auto* self = reinterpret_cast<ManagedWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self) {
    self->messages_.push_back(message);
    LRESULT result = 0;
    if (self->manager_ && self->manager_->HandleWindowMessage(message, wParam, lParam, result))
      return result;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

ManagedWindow::ManagedWindow(PaintManager* manager, int width, int height)
    : ManagedWindow(manager, WS_POPUP, nullptr, {0, 0, width, height}) {}

ManagedWindow::ManagedWindow(PaintManager* manager, DWORD style, HWND parent, RECT bounds)
    : manager_(manager) {
  static const ATOM windowClass = [] {
    WNDCLASSW description = {};
    description.style = CS_DBLCLKS;
    description.lpfnWndProc = WindowProc;
    description.hInstance = ::GetModuleHandleW(nullptr);
    description.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    description.lpszClassName = kClassName;
    return ::RegisterClassW(&description);
  }();
  if (!windowClass)
    return;
  window_ = ::CreateWindowExW(0, kClassName, L"", style, bounds.left, bounds.top,
                              bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                              nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (window_)
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

ManagedWindow::~ManagedWindow() {
  if (!window_)
    return;
  // The manager may be gone by the time the window's last messages arrive.
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  ::DestroyWindow(window_);
}

}  // namespace ui::testing_support
