#include "ui/core/control.h"

#include <algorithm>

#include "base/rect_math.h"
#include "ui/core/paint_manager.h"
#include "ui/render/color_shift.h"

namespace ui {

Control::Control() = default;

std::wstring Control::GetName() const {
  return name_;
}

// The registry keeps the name the control was registered under: the name is stored before the
// manager is asked, so the manager finds nothing to move.
void Control::SetName(std::wstring_view name) {
  if (name_ == name)
    return;
  name_ = name;
  if (manager_)
    manager_->RenameControl(this, name);
}

const wchar_t* Control::GetClassName() const {
  return L"Control";
}

void* Control::CastTo(std::wstring_view interfaceName) {
  return interfaceName == L"Control" ? this : nullptr;
}

uint32_t Control::GetFlags() const {
  return 0;
}

HWND Control::GetNativeWindow() const {
  return nullptr;
}

bool Control::Activate() {
  return IsVisible() && IsEnabled();
}

PaintManager* Control::GetManager() const {
  return manager_;
}

void Control::Attach(PaintManager* manager, Control* parent, bool initialize) {
  if (overlay_)
    overlay_->Attach(manager, this, initialize);
  if (manager != manager_)
    accessibleId_ = manager ? manager->TakeAccessibleId() : 0;
  manager_ = manager;
  parent_ = parent;
  if (initialize && parent_)
    Initialize();
}

Control* Control::GetParent() const {
  return parent_;
}

Control* Control::GetOverlay() const {
  return overlay_;
}

void Control::SetOverlay(Control* overlay) {
  if (overlay == overlay_)
    return;
  if (overlay_)
    overlay_->Destroy();
  overlay_ = overlay;
  if (!overlay_)
    return;
  if (manager_)
    manager_->RegisterControls(overlay_, this);
  if (IsVisible())
    RequestLayout();
  else
    overlay_->SetInheritedVisible(false);
}

std::wstring Control::GetText() const {
  return text_;
}

void Control::SetText(std::wstring_view text) {
  if (text_ == text)
    return;
  text_ = text;
  Invalidate();
  // A control named by "accname" keeps its name whatever it shows.
  if (accessibleName_.empty())
    NotifyAccessibleEvent(EVENT_OBJECT_NAMECHANGE);
}

DisplayScale Control::Scale() const {
  return manager_ ? manager_->GetDisplayScale() : DisplayScale();
}

const RECT& Control::GetRect() const {
  return rect_;
}

RECT Control::GetRelativeRect() const {
  if (!parent_)
    return {0, 0, 0, 0};
  const RECT& parentRect = parent_->GetRect();
  return base::OffsetRectBy(rect_, -parentRect.left, -parentRect.top);
}

RECT Control::GetClientRect() const {
  return rect_;
}

void Control::SetRect(const RECT& requested, bool invalidate) {
  RECT r = requested;
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  const RECT invalid = base::IsRectEmpty(rect_) ? r : rect_;

  if (floating_) {
    // A floating control is given its rectangle relative to the parent and keeps its float
    // position in step with it, so that the next layout puts it back where it was placed.
    if (parent_) {
      const RECT& parentRect = parent_->GetRect();
      rect_ = base::OffsetRectBy(r, parentRect.left, parentRect.top);
      const int parentWidth = parentRect.right - parentRect.left;
      const int parentHeight = parentRect.bottom - parentRect.top;
      // The float position is kept in skin units, edge by edge, as the layout scales it.
      const DisplayScale scale = Scale();
      const SkinLength left =
          scale.ToSkin(r.left - static_cast<int>(floatAnchor_.left * parentWidth));
      const SkinLength top =
          scale.ToSkin(r.top - static_cast<int>(floatAnchor_.top * parentHeight));
      floatOffset_ = MakeSkinSize(left, top);
      fixedWidth_ =
          scale.ToSkin(r.right - static_cast<int>(floatAnchor_.right * parentWidth)) - left;
      fixedHeight_ =
          scale.ToSkin(r.bottom - static_cast<int>(floatAnchor_.bottom * parentHeight)) - top;
    }
  } else {
    rect_ = r;
  }
  if (!manager_)
    return;

  if (!inSizeHook_) {
    // A size hook may destroy the control; what follows is then skipped.
    DispatchScope dispatch;
    inSizeHook_ = true;
    sizeHooks.Fire(this);
    inSizeHook_ = false;
    if (!alive_)
      return;
  }
  needsLayout_ = false;

  if (invalidate && IsVisible()) {
    RECT area = base::UnionRects(invalid, rect_);
    if (ClipByAncestors(area))
      manager_->Invalidate(area);
  }

  if (overlay_ && overlay_->IsVisible()) {
    const int width = rect_.right - rect_.left;
    const int height = rect_.bottom - rect_.top;
    RECT placed;
    if (overlay_->IsFloat()) {
      placed = overlay_->FloatPlacement(width, height);
    } else {
      const int overlayWidth =
          std::clamp(width, overlay_->ScaledMinWidth(), overlay_->ScaledMaxWidth());
      const int overlayHeight =
          std::clamp(height, overlay_->ScaledMinHeight(), overlay_->ScaledMaxHeight());
      placed = {rect_.left, rect_.top, rect_.left + overlayWidth, rect_.top + overlayHeight};
    }
    overlay_->SetRect(placed, /*invalidate=*/false);
  }
}

RECT Control::FloatPlacement(int parentWidth, int parentHeight) const {
  const FloatAnchor anchor = GetFloatAnchor();
  const SIZE offset = GetFloatOffset().Unscaled();
  // The float position's edges are scaled each on its own, so that floating neighbours that
  // touch in the skin touch on the screen.
  const RECT position =
      Scale().Rect(SkinRect({offset.cx, offset.cy, offset.cx + GetFixedWidth().Unscaled(),
                             offset.cy + GetFixedHeight().Unscaled()}));
  return {
      static_cast<int>(parentWidth * anchor.left) + position.left,
      static_cast<int>(parentHeight * anchor.top) + position.top,
      static_cast<int>(parentWidth * anchor.right) + position.right,
      static_cast<int>(parentHeight * anchor.bottom) + position.bottom,
  };
}

void Control::Offset(int dx, int dy, bool invalidate) {
  const RECT old = rect_;
  rect_ = base::OffsetRectBy(rect_, dx, dy);
  if (invalidate && manager_ && IsVisible()) {
    RECT area = base::UnionRects(old, rect_);
    if (ClipByAncestors(area))
      manager_->Invalidate(area);
  }
  if (overlay_ && overlay_->IsVisible())
    overlay_->Offset(dx, dy, /*invalidate=*/false);
}

bool Control::ClipByAncestors(RECT& area) const {
  for (const Control* ancestor = parent_; ancestor; ancestor = ancestor->GetParent()) {
    if (!ancestor->IsVisible())
      return false;
    if (!base::IntersectRects(area, ancestor->GetRect(), area))
      return false;
  }
  return true;
}

int Control::Width() const {
  return rect_.right - rect_.left;
}

int Control::Height() const {
  return rect_.bottom - rect_.top;
}

int Control::Left() const {
  return rect_.left;
}

int Control::Top() const {
  return rect_.top;
}

SkinRect Control::GetPadding() const {
  return padding_;
}

void Control::SetPadding(const SkinRect& padding) {
  padding_ = padding;
  RequestParentLayout();
}

SkinSize Control::GetFloatOffset() const {
  return floatOffset_;
}

void Control::SetFloatOffset(const SkinSize& offset) {
  floatOffset_ = offset;
  RequestParentLayout();
}

FloatAnchor Control::GetFloatAnchor() const {
  return floatAnchor_;
}

void Control::SetFloatAnchor(const FloatAnchor& anchor) {
  floatAnchor_ = anchor;
  RequestParentLayout();
}

SkinLength Control::GetFixedWidth() const {
  return fixedWidth_;
}

void Control::SetFixedWidth(SkinLength width) {
  if (width < SkinLength(0))
    return;
  fixedWidth_ = width;
  RequestParentLayout();
}

SkinLength Control::GetFixedHeight() const {
  return fixedHeight_;
}

void Control::SetFixedHeight(SkinLength height) {
  if (height < SkinLength(0))
    return;
  fixedHeight_ = height;
  RequestParentLayout();
}

SkinLength Control::GetMinWidth() const {
  return minWidth_;
}

void Control::SetMinWidth(SkinLength width) {
  if (width < SkinLength(0) || width == minWidth_)
    return;
  minWidth_ = width;
  RequestParentLayout();
}

SkinLength Control::GetMaxWidth() const {
  return std::max(maxWidth_, minWidth_);
}

void Control::SetMaxWidth(SkinLength width) {
  if (width < SkinLength(0) || width == maxWidth_)
    return;
  maxWidth_ = width;
  RequestParentLayout();
}

SkinLength Control::GetMinHeight() const {
  return minHeight_;
}

void Control::SetMinHeight(SkinLength height) {
  if (height < SkinLength(0) || height == minHeight_)
    return;
  minHeight_ = height;
  RequestParentLayout();
}

SkinLength Control::GetMaxHeight() const {
  return std::max(maxHeight_, minHeight_);
}

void Control::SetMaxHeight(SkinLength height) {
  if (height < SkinLength(0) || height == maxHeight_)
    return;
  maxHeight_ = height;
  RequestParentLayout();
}

std::wstring Control::GetToolTip() const {
  return toolTip_;
}

void Control::SetToolTip(std::wstring_view text) {
  std::wstring toolTip;
  toolTip.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text.substr(i, 3) == L"<n>") {
      toolTip += L"\r\n";
      i += 3;
    } else {
      toolTip += text[i++];
    }
  }
  toolTip_ = std::move(toolTip);
}

void Control::SetToolTipWidth(SkinLength width) {
  toolTipWidth_ = width;
}

SkinLength Control::GetToolTipWidth() const {
  return toolTipWidth_;
}

wchar_t Control::GetShortcut() const {
  return shortcut_;
}

void Control::SetShortcut(wchar_t shortcut) {
  shortcut_ = shortcut;
}

bool Control::IsContextMenuEnabled() const {
  return contextMenu_;
}

void Control::EnableContextMenu(bool enable) {
  contextMenu_ = enable;
}

std::wstring Control::GetUserData() const {
  return userData_;
}

void Control::SetUserData(std::wstring_view text) {
  userData_ = text;
}

intptr_t Control::GetTag() const {
  return tag_;
}

void Control::SetTag(intptr_t tag) {
  tag_ = tag;
}

bool Control::IsVisible() const {
  return visible_ && inheritedVisible_;
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible)
    return;
  const bool wasVisible = IsVisible();
  visible_ = visible;
  focused_ = false;
  // Losing the focus tells the listeners, who may destroy the control.
  DispatchScope dispatch;
  if (!visible && manager_ && manager_->GetFocusControl() == this)
    manager_->SetFocusControl(nullptr, PlatformFocus::Take);
  if (!alive_)
    return;
  if (IsVisible() != wasVisible) {
    RequestParentLayout();
    NotifyAccessibleEvent(IsVisible() ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE);
  }
  if (overlay_)
    overlay_->SetInheritedVisible(IsVisible());
}

void Control::SetInheritedVisible(bool visible) {
  inheritedVisible_ = visible;
  DispatchScope dispatch;
  if (!visible && manager_ && manager_->GetFocusControl() == this)
    manager_->SetFocusControl(nullptr, PlatformFocus::Take);
  if (alive_ && overlay_)
    overlay_->SetInheritedVisible(IsVisible());
}

bool Control::IsEnabled() const {
  return enabled_;
}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled)
    return;
  enabled_ = enabled;
  Invalidate();
  NotifyAccessibleEvent(EVENT_OBJECT_STATECHANGE);
}

bool Control::IsMouseEnabled() const {
  return mouseEnabled_;
}

void Control::SetMouseEnabled(bool enabled) {
  mouseEnabled_ = enabled;
}

bool Control::IsKeyboardEnabled() const {
  return keyboardEnabled_;
}

void Control::SetKeyboardEnabled(bool enabled) {
  keyboardEnabled_ = enabled;
}

bool Control::IsFocused() const {
  return focused_;
}

void Control::SetFocus() {
  if (manager_)
    manager_->SetFocusControl(this, PlatformFocus::Keep);
}

bool Control::IsFloat() const {
  return floating_;
}

void Control::SetFloat(bool floating) {
  if (floating_ == floating)
    return;
  floating_ = floating;
  RequestParentLayout();
}

Control* Control::Find(FindVisitor visitor, void* data, uint32_t flags) {
  const bool hitTest = (flags & FindHitTest) != 0;
  if ((flags & FindVisible) && !IsVisible())
    return nullptr;
  if ((flags & FindEnabled) && !IsEnabled())
    return nullptr;
  if (hitTest && !base::RectContains(rect_, *static_cast<const POINT*>(data)))
    return nullptr;
  if ((flags & FindUpdateTest) && visitor(this, data))
    return nullptr;
  const bool visitable = !hitTest || IsMouseEnabled();
  if ((flags & FindMeFirst) && visitable) {
    if (Control* found = visitor(this, data))
      return found;
  }
  if (overlay_) {
    if (Control* found = overlay_->Find(visitor, data, flags))
      return found;
  }
  if (!(flags & FindMeFirst) && visitable)
    return visitor(this, data);
  return nullptr;
}

void Control::Initialize() {
  OnInitialize();
  initHooks.Fire(this);
}

void Control::OnInitialize() {}

void Control::HandleEvent(ControlEvent& event) {
  // A hook or handler may destroy the control; it stays readable until the dispatch ends.
  DispatchScope dispatch;
  if (!alive_)
    return;
  if (eventHooks.Fire(&event) && alive_)
    DeliverEvent(event);
}

void Control::DeliverEvent(ControlEvent& event) {
  if (IsMouseEnabled() || !IsMouseEvent(event.kind))
    OnEvent(event);
  else if (parent_)
    parent_->DeliverEvent(event);
  else
    Control::OnEvent(event);
}

void Control::OnEvent(ControlEvent& event) {
  switch (event.kind) {
    case ControlEventKind::SetCursor:
      ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
      return;
    case ControlEventKind::SetFocus:
    case ControlEventKind::KillFocus:
      focused_ = event.kind == ControlEventKind::SetFocus;
      Invalidate();
      return;
    case ControlEventKind::Timer:
      if (manager_)
        manager_->SendNotification(this, L"timer", event.wParam, event.lParam);
      return;
    case ControlEventKind::ContextMenu:
      if (contextMenu_ && manager_)
        manager_->SendNotification(this, L"menu", event.wParam, event.lParam);
      return;
    default:
      if (parent_)
        parent_->DeliverEvent(event);
      return;
  }
}

SIZE Control::MeasureSize(SIZE) {
  return ScaledFixedSize();
}

void Control::Invalidate() {
  if (!IsVisible())
    return;
  RECT area = rect_;
  for (const Control* ancestor = parent_; ancestor; ancestor = ancestor->GetParent()) {
    if (!base::IntersectRects(area, ancestor->GetRect(), area))
      return;
  }
  if (manager_)
    manager_->Invalidate(area);
}

void Control::RequestLayout() {
  if (!IsVisible())
    return;
  needsLayout_ = true;
  Invalidate();
  if (manager_)
    manager_->SetUpdateNeeded();
}

void Control::RequestParentLayout() {
  if (parent_) {
    parent_->RequestLayout();
    parent_->Invalidate();
  } else {
    RequestLayout();
  }
  if (manager_)
    manager_->SetUpdateNeeded();
}

uint32_t Control::AdjustColor(uint32_t color) const {
  if (!colorHsl_)
    return color;
  const ColorShift& shift = ProcessColorShift();
  return RenderEngine::ApplyHsl(color, shift.hue, shift.saturation, shift.lightness);
}

std::wstring Control::GetVirtualWindow() const {
  if (!virtualWindow_.empty())
    return virtualWindow_;
  return parent_ ? parent_->GetVirtualWindow() : std::wstring();
}

}  // namespace ui
