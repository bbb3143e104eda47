#include "tests/support/managed_window.h"

#include "ui/core/paint_manager.h"

namespace ui::testing_support {
namespace {

constexpr wchar_t kClassName[] = L"QuenbyManagedTestWindow";

LRESULT CALLBACK ManagedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* manager = reinterpret_cast<PaintManager*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  LRESULT result = 0;
  if (manager && manager->HandleWindowMessage(message, wParam, lParam, result))
    return result;
  return ::DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterWindowClass() {
  static const ATOM windowClass = [] {
    WNDCLASSW description = {};
    description.lpfnWndProc = ManagedWindowProc;
    description.hInstance = ::GetModuleHandleW(nullptr);
    description.lpszClassName = kClassName;
    return ::RegisterClassW(&description);
  }();
  return windowClass != 0;
}

}  // namespace

ManagedWindow::ManagedWindow(PaintManager* manager, int width, int height) {
  if (!RegisterWindowClass())
    return;
  window_ = ::CreateWindowExW(0, kClassName, L"", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
  if (window_)
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(manager));
}

ManagedWindow::~ManagedWindow() {
  if (!window_)
    return;
  // The manager may be gone by the time the window's last messages arrive.
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  ::DestroyWindow(window_);
}

}  // namespace ui::testing_support
