#include <cwchar>
#include <cwctype>
#include <utility>

#include "ui/core/control.h"
#include "ui/core/input_router.h"
#include "ui/core/paint_manager.h"

// The keyboard's messages: keys to the focus control, Tab between controls, Alt shortcuts, and
// the pre-filters and accelerators that see queued messages before they are dispatched.
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
bool InputRouter::HandleKey(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
  if (!manager_.GetRoot())
    return false;
  Control* focus = manager_.GetFocusControl();
  Control* target = focus;
  ControlEventKind kind = ControlEventKind::Char;
  if (message == WM_KEYDOWN) {
    // The key's release goes where the key went down, even if the focus moves meanwhile.
    if (focus)
      keyControl_ = focus;
    kind = ControlEventKind::KeyDown;
  } else if (message == WM_KEYUP) {
    target = std::exchange(keyControl_, nullptr);
    kind = ControlEventKind::KeyUp;
  }
  if (!target)
    return false;
  ControlEvent event = MakeEvent(kind, target, wParam, lParam);
  event.keyChar = static_cast<wchar_t>(wParam);
  target->HandleEvent(event);
  return false;
}

bool InputRouter::PreTranslate(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
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
  Control* focus = manager_.GetFocusControl();
  switch (message) {
    case WM_KEYDOWN:
      if (wParam != VK_TAB)
        return false;
      if (focus && focus->IsVisible() && focus->IsEnabled() && FocusWantsTab(focus))
        return false;
      manager_.MoveFocusByTab(::GetKeyState(VK_SHIFT) < 0 ? TabDirection::Backward
                                                          : TabDirection::Forward);
      return true;
    case WM_SYSKEYDOWN:
      if (focus) {
        ControlEvent event = MakeEvent(ControlEventKind::SysKey, focus, 0, 0);
        event.keyChar = static_cast<wchar_t>(wParam);
        focus->HandleEvent(event);
      }
      return false;
    case WM_SYSCHAR:
      return OnSysChar(wParam);
    default:
      return false;
  }
}

bool InputRouter::OnSysChar(WPARAM character) {
  Control* root = manager_.GetRoot();
  if (!root)
    return false;
  ShortcutVisitor visitor;
  visitor.character = static_cast<wchar_t>(std::towupper(static_cast<wchar_t>(character)));
  Control* control =
      root->Find(ShortcutVisitor::Visit, &visitor, FindMeFirst | FindEnabled | FindTopFirst);
  if (!control)
    return false;
  DispatchScope dispatch;
  control->SetFocus();
  // A listener of the focus change may have destroyed the control.
  if (control->IsAlive())
    control->Activate();
  return true;
}

bool InputRouter::TranslateAccelerators(MSG* message) {
  DispatchScope dispatch;
  bool translated = false;
  accelerators_.ForEach([&](ITranslateAccelerator* accelerator) {
    translated = accelerator->Translate(message) == 0;
    return !translated;
  });
  return translated;
}

}  // namespace ui
