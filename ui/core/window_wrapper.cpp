#include "ui/core/window_wrapper.h"

#include <utility>

#include "base/exception_barrier.h"
#include "ui/core/skin_settings.h"

namespace ui {
namespace {

// The window property that carries the object of a superclassed window.
constexpr wchar_t kObjectProperty[] = L"SkinWindowObject";

HMONITOR NearestMonitor(HWND window) {
  return ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
}

}  // namespace

POINT CenteredWindowPosition(int width, int height, const RECT& reference, const RECT& workArea) {
  // C++ integer division truncates toward zero, as the placement rule asks.
  int x = (reference.left + reference.right) / 2 - width / 2;
  int y = (reference.top + reference.bottom) / 2 - height / 2;
  if (x < workArea.left)
    x = workArea.left;
  else if (x + width > workArea.right)
    x = workArea.right - width;
  if (y < workArea.top)
    y = workArea.top;
  else if (y + height > workArea.bottom)
    y = workArea.bottom - height;
  return {x, y};
}

WindowWrapper::WindowWrapper()
    : previousWindowProc_(::DefWindowProcW), uiQueue_(std::make_shared<UiThreadQueue>()) {}

WindowWrapper::~WindowWrapper() {
  DetachNativeWindow();
  uiQueue_->Unbind();
}

void WindowWrapper::DetachNativeWindow() {
  HWND window = std::exchange(window_, nullptr);
  uiQueue_->Unbind();
  if (!window || !::IsWindow(window))
    return;
  if (superclassed_)
    ::RemovePropW(window, kObjectProperty);
  else
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  // Fails on another thread than the window's; the window then stays, cut off from the object.
  ::DestroyWindow(window);
}

HWND WindowWrapper::CreateNativeWindow(HWND parent,
                                       const wchar_t* title,
                                       DWORD style,
                                       DWORD exStyle,
                                       int x,
                                       int y,
                                       int width,
                                       int height,
                                       HMENU menu) {
  const bool registered = SuperclassName() ? RegisterNativeSuperclass() : RegisterNativeClass();
  if (!registered)
    return nullptr;
  // The window procedure has stored the handle on WM_NCCREATE already; storing the result as
  // well leaves null behind when the creation failed after that.
  window_ = ::CreateWindowExW(exStyle, WindowClassName(), title, style, x, y, width, height, parent,
                              menu, ProgramModule(), this);
  return window_;
}

HWND WindowWrapper::CreateNativeWindow(HWND parent,
                                       const wchar_t* title,
                                       DWORD style,
                                       DWORD exStyle,
                                       const RECT& rect,
                                       HMENU menu) {
  return CreateNativeWindow(parent, title, style, exStyle, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, menu);
}

bool WindowWrapper::RegisterNativeClass() {
  const wchar_t* className = WindowClassName();
  if (!className || !*className)
    return false;
  WNDCLASSW windowClass = {};
  windowClass.style = ClassStyle();
  windowClass.lpfnWndProc = ClassWindowProc;
  windowClass.hInstance = ProgramModule();
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = className;
  return ::RegisterClassW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool WindowWrapper::RegisterNativeSuperclass() {
  const wchar_t* className = WindowClassName();
  const wchar_t* superclassName = SuperclassName();
  if (!className || !*className || !superclassName)
    return false;
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  if (!::GetClassInfoExW(nullptr, superclassName, &windowClass) &&
      !::GetClassInfoExW(ProgramModule(), superclassName, &windowClass)) {
    return false;
  }
  previousWindowProc_ = windowClass.lpfnWndProc;
  windowClass.lpfnWndProc = SuperclassWindowProc;
  windowClass.hInstance = ProgramModule();
  windowClass.lpszClassName = className;
  return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void WindowWrapper::CenterOnMonitor() {
  if (!window_)
    return;
  RECT windowRect;
  if (!::GetWindowRect(window_, &windowRect))
    return;
  HWND owner = ::GetWindow(window_, GW_OWNER);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  if (!::GetMonitorInfoW(NearestMonitor(owner ? owner : window_), &monitor))
    return;
  RECT reference = monitor.rcWork;
  if (owner && !::IsIconic(owner))
    ::GetWindowRect(owner, &reference);
  const POINT position =
      CenteredWindowPosition(windowRect.right - windowRect.left, windowRect.bottom - windowRect.top,
                             reference, monitor.rcWork);
  ::SetWindowPos(window_, nullptr, position.x, position.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowWrapper::ShowNativeWindow(bool show, bool takeFocus) {
  if (!window_)
    return;
  // The result is the window's earlier visibility, not a failure.
  ::ShowWindow(window_, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

void WindowWrapper::RequestClose(UINT code) {
  if (window_)
    ::PostMessageW(window_, WM_CLOSE, code, 0);
}

LRESULT WindowWrapper::SendToWindow(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(window_, message, wParam, lParam);
}

bool WindowWrapper::PostToWindow(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageW(window_, message, wParam, lParam) != FALSE;
}

bool WindowWrapper::PostToUiThread(UiThreadQueue::Task task) {
  return uiQueue_->Post(std::move(task));
}

const wchar_t* WindowWrapper::WindowClassName() const {
  return nullptr;
}

const wchar_t* WindowWrapper::SuperclassName() const {
  return nullptr;
}

UINT WindowWrapper::ClassStyle() const {
  return 0;
}

LRESULT WindowWrapper::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallPreviousWindowProc(message, wParam, lParam);
}

void WindowWrapper::OnWindowGone(HWND) {}

LRESULT WindowWrapper::CallPreviousWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcW(previousWindowProc_, window_, message, wParam, lParam);
}

LRESULT CALLBACK WindowWrapper::ClassWindowProc(HWND window,
                                                UINT message,
                                                WPARAM wParam,
                                                LPARAM lParam) {
  constexpr ObjectSlot slot = ObjectSlot::UserData;
  return Dispatch(ObjectOf(window, message, lParam, slot), window, message, wParam, lParam, slot);
}

LRESULT CALLBACK WindowWrapper::SuperclassWindowProc(HWND window,
                                                     UINT message,
                                                     WPARAM wParam,
                                                     LPARAM lParam) {
  constexpr ObjectSlot slot = ObjectSlot::Property;
  return Dispatch(ObjectOf(window, message, lParam, slot), window, message, wParam, lParam, slot);
}

WindowWrapper* WindowWrapper::ObjectOf(HWND window, UINT message, LPARAM lParam, ObjectSlot slot) {
  const bool usesProperty = slot == ObjectSlot::Property;
  if (message != WM_NCCREATE) {
    return static_cast<WindowWrapper*>(
        usesProperty ? ::GetPropW(window, kObjectProperty)
                     : reinterpret_cast<void*>(::GetWindowLongPtrW(window, GWLP_USERDATA)));
  }
  auto* object =
      static_cast<WindowWrapper*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
  if (object && usesProperty)
    ::SetPropW(window, kObjectProperty, object);
  else if (object)
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
  return object;
}

LRESULT WindowWrapper::Dispatch(WindowWrapper* object,
                                HWND window,
                                UINT message,
                                WPARAM wParam,
                                LPARAM lParam,
                                ObjectSlot slot) {
  const bool usesProperty = slot == ObjectSlot::Property;
  if (!object)
    return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCCREATE) {
    object->window_ = window;
    object->superclassed_ = usesProperty;
    object->uiQueue_->Bind(window);
  }
  if (message == WM_NCDESTROY) {
    const LRESULT result = base::CatchAllOr<LRESULT>(
        0, [&] { return object->CallPreviousWindowProc(message, wParam, lParam); });
    if (usesProperty)
      ::RemovePropW(window, kObjectProperty);
    else
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    object->window_ = nullptr;
    object->uiQueue_->Unbind();
    base::CatchAllVoid([&] { object->OnWindowGone(window); });
    return result;
  }
  // No exception may cross the window procedure into the system's code: a handler that throws
  // leaves its message answered with 0.
  return base::CatchAllOr<LRESULT>(0, [&]() -> LRESULT {
    if (message == kQueueMessage) {
      // Held here: a task may delete the window object, and the queue with it.
      const std::shared_ptr<UiThreadQueue> queue = object->uiQueue_;
      queue->RunPending();
      // The window's own work on the message (its paint manager's queue) follows, unless a task
      // destroyed the window or deleted its object, which cuts the two apart.
      if (ObjectOf(window, message, lParam, slot) != object)
        return 0;
    }
    return object->ProcessWindowMessage(message, wParam, lParam);
  });
}

}  // namespace ui
