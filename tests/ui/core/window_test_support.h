#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/managed_window.h"
#include "tests/support/message_pump.h"
#include "ui/core/control.h"
#include "ui/core/paint_manager.h"
#include "ui/skin/skin_window.h"

// Helpers of the tests that drive real windows: controls that record what they receive and a
// skinned window that records what reaches it.
namespace ui::testing_support {

// The kinds of control events in the order they arrived, each as "name:Kind".
class EventLog {
 public:
  void Add(const std::wstring& name, ControlEventKind kind) {
    entries.push_back(name + L":" + KindName(kind));
  }
  // The entries of these kinds only.
  std::vector<std::wstring> Of(std::initializer_list<ControlEventKind> kinds) const {
    std::vector<std::wstring> picked;
    for (const std::wstring& entry : entries) {
      for (ControlEventKind kind : kinds) {
        const std::wstring suffix = L":" + KindName(kind);
        if (entry.size() > suffix.size() &&
            entry.compare(entry.size() - suffix.size(), suffix.size(), suffix) == 0) {
          picked.push_back(entry);
        }
      }
    }
    return picked;
  }

  static std::wstring KindName(ControlEventKind kind) {
    switch (kind) {
      case ControlEventKind::KeyDown:
        return L"KeyDown";
      case ControlEventKind::KeyUp:
        return L"KeyUp";
      case ControlEventKind::Char:
        return L"Char";
      case ControlEventKind::SysKey:
        return L"SysKey";
      case ControlEventKind::MouseMove:
        return L"MouseMove";
      case ControlEventKind::MouseLeave:
        return L"MouseLeave";
      case ControlEventKind::MouseEnter:
        return L"MouseEnter";
      case ControlEventKind::MouseHover:
        return L"MouseHover";
      case ControlEventKind::ButtonDown:
        return L"ButtonDown";
      case ControlEventKind::ButtonUp:
        return L"ButtonUp";
      case ControlEventKind::RightButtonDown:
        return L"RightButtonDown";
      case ControlEventKind::DoubleClick:
        return L"DoubleClick";
      case ControlEventKind::ContextMenu:
        return L"ContextMenu";
      case ControlEventKind::ScrollWheel:
        return L"ScrollWheel";
      case ControlEventKind::KillFocus:
        return L"KillFocus";
      case ControlEventKind::SetFocus:
        return L"SetFocus";
      case ControlEventKind::WindowSize:
        return L"WindowSize";
      case ControlEventKind::SetCursor:
        return L"SetCursor";
      case ControlEventKind::Timer:
        return L"Timer";
      case ControlEventKind::CaptureLost:
        return L"CaptureLost";
      default:
        return L"?";
    }
  }

  std::vector<std::wstring> entries;
  std::vector<ControlEvent> events;
};

// A control that writes every event it receives into a shared log (and keeps the event).
class RecordingControl : public Control {
 public:
  explicit RecordingControl(EventLog* log, uint32_t flags = 0) : log_(log), flags_(flags) {}
  uint32_t GetFlags() const override { return flags_; }
  void OnEvent(ControlEvent& event) override {
    log_->Add(GetName(), event.kind);
    log_->events.push_back(event);
  }

 private:
  EventLog* log_;
  uint32_t flags_;
};

// The installer's window style: WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
// WS_CAPTION | WS_SYSMENU.
constexpr DWORD kInstallerStyle = 0x96C80000;

// A skinned window that takes the installer's skin from the embedded "ZIPRES" 136 resource, or
// a skin given as markup text, and records what reaches it.
class TestSkinWindow : public SkinWindow {
 public:
  explicit TestSkinWindow(std::wstring markup = L"", std::wstring resourceId = L"136")
      : markup_(std::move(markup)), resourceId_(std::move(resourceId)) {}

  const wchar_t* WindowClassName() const override { return L"SkinWindowTest"; }
  std::wstring SkinFolderName() const override { return L"install_online"; }
  std::wstring SkinFileName() const override { return markup_.empty() ? L"install.xml" : markup_; }
  SkinSourceKind SkinSource() const override {
    return markup_.empty() ? SkinSourceKind::PackageResource : SkinSourceKind::FolderFiles;
  }
  std::wstring SkinResourceId() const override { return resourceId_; }
  void OnSkinReady() override { ++skinReadyCount; }
  void OnClickNotification(Notification& notification) override {
    clicks.push_back(notification.sender ? notification.sender->GetName() : L"");
    SkinWindow::OnClickNotification(notification);
  }
  void ReceiveNotification(Notification& notification) override {
    notifications.push_back(notification.type);
    SkinWindow::ReceiveNotification(notification);
  }
  // The window stays open: a close request is only recorded.
  LRESULT HandleClose(UINT, WPARAM wParam, LPARAM, bool&) override {
    closeCodes.push_back(wParam);
    return 0;
  }
  LRESULT HandleKeyDown(UINT, WPARAM wParam, LPARAM, bool& handled) override {
    keysDown.push_back(wParam);
    handled = false;
    return 0;
  }
  LRESULT HandleOtherMessage(UINT message, WPARAM, LPARAM, bool& handled) override {
    if (message == WM_PAINT)
      ++paintMessages;
    handled = false;
    return 0;
  }

  HWND Create() {
    HWND window = CreateNativeWindow(nullptr, L"Skin window test", kInstallerStyle, 0, 0, 0, 0, 0);
    if (window) {
      CenterOnMonitor();
      ShowNativeWindow(true, true);
    }
    return window;
  }

  // Paints now, as the first WM_PAINT would.
  void Paint() { ::UpdateWindow(NativeWindow()); }

  int Count(const wchar_t* type) const {
    return static_cast<int>(std::count(notifications.begin(), notifications.end(), type));
  }

  Control* Find(const wchar_t* name) { return GetPaintManager().FindControlByName(name); }

  int skinReadyCount = 0;
  int paintMessages = 0;
  std::vector<std::wstring> clicks;
  std::vector<std::wstring> notifications;
  std::vector<WPARAM> closeCodes;
  std::vector<WPARAM> keysDown;

 private:
  std::wstring markup_;
  std::wstring resourceId_;
};

}  // namespace ui::testing_support
