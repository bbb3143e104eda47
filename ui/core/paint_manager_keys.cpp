#include <cwchar>
#include <cwctype>
#include <utility>

#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

// The keyboard's messages: keys to the focus control, Tab between controls, Alt shortcuts.
namespace ui {
namespace {

// Whether the focused rich edit takes Tab itself. The rich edit answers through its "wanttab"
// attribute, on by default.
bool FocusWantsTab(Control* focus) {
  const wchar_t* className = focus->GetClassName();
  if (!className || !std::wcsstr(className, L"RichEdit"))
    return false;
  return focus->GetAttribute(L"wanttab") != L"false";
}

// Finds the control that Alt plus a shortcut letter selects (the root's Find with FindMeFirst |
// FindEnabled | FindTopFirst): the first control that is no label, visited at or after the one
// whose shortcut matches.
struct ShortcutVisitor {
  wchar_t character = 0;
  bool matched = false;

  static Control* Visit(Control* control, void* data) {
    auto* visitor = static_cast<ShortcutVisitor*>(data);
    if (!control->IsVisible())
      return nullptr;
    const wchar_t shortcut = control->GetShortcut();
    if (shortcut && static_cast<wchar_t>(std::towupper(shortcut)) == visitor->character)
      visitor->matched = true;
    const wchar_t* className = control->GetClassName();
    if (className && std::wcsstr(className, L"Label"))
      return nullptr;
    return visitor->matched ? control : nullptr;
  }
};

}  // namespace

// Key down and character to the focus control, key up to where the key went down.
bool PaintManager::HandleKey(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
  if (!root_)
    return false;
  Control* target = nullptr;
  ControlEventKind kind = ControlEventKind::Char;
  switch (message) {
    case WM_KEYDOWN:
      // The key's release goes where the key went down, even if the focus moves meanwhile.
      if (focus_)
        keyControl_ = focus_;
      target = focus_;
      kind = ControlEventKind::KeyDown;
      break;
    case WM_KEYUP:
      target = std::exchange(keyControl_, nullptr);
      kind = ControlEventKind::KeyUp;
      break;
    default:
      target = focus_;
      break;
  }
  if (!target)
    return false;
  ControlEvent event = MakeEvent(kind, target, wParam, lParam);
  event.keyChar = static_cast<wchar_t>(wParam);
  target->HandleEvent(event);
  return false;
}

bool PaintManager::PreTranslate(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  DispatchScope dispatch;
  bool consumed = false;
  preFilters_.ForEach([&](IMessageFilter* filter) {
    bool handled = false;
    const LRESULT answer = filter->FilterMessage(message, wParam, lParam, handled);
    if (handled) {
      result = answer;
      consumed = true;
    }
    return !consumed;
  });
  if (consumed)
    return true;
  switch (message) {
    case WM_KEYDOWN:
      if (wParam != VK_TAB)
        return false;
      if (focus_ && focus_->IsVisible() && focus_->IsEnabled() && FocusWantsTab(focus_))
        return false;
      MoveFocusByTab(::GetKeyState(VK_SHIFT) < 0 ? TabDirection::Backward : TabDirection::Forward);
      return true;
    case WM_SYSKEYDOWN:
      if (focus_) {
        ControlEvent event = MakeEvent(ControlEventKind::SysKey, focus_, 0, 0);
        event.keyChar = static_cast<wchar_t>(wParam);
        focus_->HandleEvent(event);
      }
      return false;
    case WM_SYSCHAR:
      return OnSysChar(wParam);
    default:
      return false;
  }
}

bool PaintManager::OnSysChar(WPARAM character) {
  if (!root_)
    return false;
  ShortcutVisitor visitor;
  visitor.character = static_cast<wchar_t>(std::towupper(static_cast<wchar_t>(character)));
  Control* control =
      root_->Find(ShortcutVisitor::Visit, &visitor, FindMeFirst | FindEnabled | FindTopFirst);
  if (!control)
    return false;
  DispatchScope dispatch;
  control->SetFocus();
  // A listener of the focus change may have destroyed the control.
  if (control->IsAlive())
    control->Activate();
  return true;
}

}  // namespace ui
