#include "ui/controls/scroll_bar.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "base/attribute_values.h"
#include "base/rect_math.h"
#include "ui/controls/container.h"
#include "ui/core/control_painter.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

constexpr SkinLength kThickness{16};

int ClampToInt(int64_t value) {
  return static_cast<int>(
      std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The same rectangle with x and y exchanged: a horizontal bar is laid out as a vertical one.
RECT Transposed(const RECT& r) {
  return {r.top, r.left, r.bottom, r.right};
}

constexpr const wchar_t* kPartNames[] = {L"bk", L"button1", L"button2", L"thumb", L"rail"};
constexpr const wchar_t* kStateNames[] = {L"normal", L"hot", L"pushed", L"disabled"};

}  // namespace

ScrollBarParts LayOutScrollBar(const RECT& rect,
                               bool horizontal,
                               int thickness,
                               int range,
                               int position,
                               bool showButton1,
                               bool showButton2) {
  const RECT rc = horizontal ? Transposed(rect) : rect;
  const int64_t t = thickness;
  const int64_t length = int64_t{rc.bottom} - rc.top;
  const int64_t track = length - (showButton1 ? t : 0) - (showButton2 ? t : 0);
  ScrollBarParts parts;
  RECT& button1 = parts.button1;
  RECT& button2 = parts.button2;
  if (track > t) {
    button1 = showButton1 ? RECT{rc.left, rc.top, static_cast<LONG>(rc.left + t),
                                 static_cast<LONG>(rc.top + t)}
                          : RECT{rc.left, rc.top, rc.left, rc.top};
    button2 = showButton2 ? RECT{rc.left, static_cast<LONG>(rc.bottom - t),
                                 static_cast<LONG>(rc.left + t), rc.bottom}
                          : RECT{rc.left, rc.bottom, rc.left, rc.bottom};
    RECT& thumb = parts.thumb;
    thumb.left = rc.left;
    thumb.right = static_cast<LONG>(rc.left + t);
    if (range <= 0) {
      thumb.top = button1.bottom;
      thumb.bottom = button2.top;
    } else {
      const int64_t size = std::max<int64_t>(length * track / (length + range), t);
      const int64_t top = button1.bottom + (track - size) * std::clamp(position, 0, range) / range;
      thumb.top = static_cast<LONG>(top);
      thumb.bottom = static_cast<LONG>(top + size);
      if (thumb.bottom > button2.top) {
        thumb.top = static_cast<LONG>(button2.top - size);
        thumb.bottom = button2.top;
      }
    }
  } else {
    const LONG share = static_cast<LONG>(std::min<int64_t>(t, length / 2));
    button1 = showButton1 ? RECT{rc.left, rc.top, static_cast<LONG>(rc.left + t), rc.top + share}
                          : RECT{rc.left, rc.top, rc.left, rc.top};
    button2 = showButton2
                  ? RECT{rc.left, rc.bottom - share, static_cast<LONG>(rc.left + t), rc.bottom}
                  : RECT{rc.left, rc.bottom, rc.left, rc.bottom};
  }
  if (horizontal) {
    parts.button1 = Transposed(parts.button1);
    parts.button2 = Transposed(parts.button2);
    parts.thumb = Transposed(parts.thumb);
  }
  return parts;
}

ScrollBar::ScrollBar() {
  fixedWidth_ = kThickness;
}

ScrollBar::~ScrollBar() = default;

const wchar_t* ScrollBar::GetClassName() const {
  return L"ScrollBar";
}

void* ScrollBar::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"ScrollBar")
    return this;
  return Control::CastTo(interfaceName);
}

int ScrollBar::Thickness() const {
  return horizontal_ ? ScaledFixedHeight() : ScaledFixedWidth();
}

int ScrollBar::Length() const {
  return horizontal_ ? rect_.right - rect_.left : rect_.bottom - rect_.top;
}

void ScrollBar::SetRect(const RECT& rect, bool invalidate) {
  // The size hooks may destroy the control: the rest of the layout is then skipped.
  DispatchScope dispatch;
  Control::SetRect(rect, invalidate);
  if (!IsAlive())
    return;
  parts_ = LayOutScrollBar(rect_, horizontal_, Thickness(), range_, position_, showButton1_,
                           showButton2_);
}

// Showing or hiding a bar is part of its owner's layout, so it requests neither layout nor paint.
void ScrollBar::SetVisible(bool visible) {
  if (visible_ == visible)
    return;
  visible_ = visible;
  focused_ = false;
}

void ScrollBar::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  if (!IsEnabled()) {
    button1_.Reset();
    button2_.Reset();
    thumb_.Reset();
  }
}

void ScrollBar::SetFocus() {
  if (owner_)
    owner_->SetFocus();
  else
    Control::SetFocus();
}

bool ScrollBar::SetPartImage(std::wstring_view attributeName, std::wstring_view description) {
  if (!attributeName.ends_with(L"image"))
    return false;
  const std::wstring_view stem = attributeName.substr(0, attributeName.size() - 5);
  for (int part = 0; part < PartCount; ++part) {
    const std::wstring_view partName = kPartNames[part];
    if (!stem.starts_with(partName))
      continue;
    const std::wstring_view stateName = stem.substr(partName.size());
    for (int state = 0; state < StateCount; ++state) {
      if (stateName != kStateNames[state])
        continue;
      ImageDrawInfo& image = images_[part][state];
      if (image.description == description && image.image)
        return true;
      image.Clear();
      image.description = description;
      Invalidate();
      return true;
    }
  }
  return false;
}

void ScrollBar::SetAttribute(std::wstring_view name, std::wstring_view value) {
  auto setColor = [this](uint32_t& field, std::wstring_view text) {
    const uint32_t color = base::attribute::ParseColor(text);
    if (field == color)
      return;
    field = color;
    Invalidate();
  };
  if (name == L"button1color")
    setColor(button1Color_, value);
  else if (name == L"button2color")
    setColor(button2Color_, value);
  else if (name == L"thumbcolor")
    setColor(thumbColor_, value);
  else if (name == L"hor")
    SetHorizontal(base::attribute::ParseBool(value));
  else if (name == L"linesize")
    SetLineSize(base::attribute::ParseInt(value));
  else if (name == L"range")
    SetScrollRange(base::attribute::ParseInt(value));
  else if (name == L"value")
    SetScrollPos(base::attribute::ParseInt(value), Notify::Yes);
  else if (name == L"scrollunit")
    SetScrollUnit(base::attribute::ParseInt(value));
  else if (name == L"showbutton1")
    ShowButton1(base::attribute::ParseBool(value));
  else if (name == L"showbutton2")
    ShowButton2(base::attribute::ParseBool(value));
  else if (!SetPartImage(name, value))
    Control::SetAttribute(name, value);
}

Container* ScrollBar::GetOwner() const {
  return owner_;
}

void ScrollBar::SetOwner(Container* owner) {
  owner_ = owner;
}

bool ScrollBar::IsHorizontal() const {
  return horizontal_;
}

void ScrollBar::SetHorizontal(bool horizontal) {
  if (horizontal_ == horizontal)
    return;
  horizontal_ = horizontal;
  if (horizontal_ && fixedHeight_ == SkinLength(0)) {
    fixedWidth_ = SkinLength(0);
    fixedHeight_ = kThickness;
  } else if (!horizontal_ && fixedWidth_ == SkinLength(0)) {
    fixedHeight_ = SkinLength(0);
    fixedWidth_ = kThickness;
  }
  if (owner_)
    owner_->RequestLayout();
  else
    RequestParentLayout();
}

int ScrollBar::GetScrollRange() const {
  return range_;
}

void ScrollBar::SetScrollRange(int range) {
  if (range_ == range)
    return;
  range_ = range < 0 ? 0 : range;
  if (position_ > range_)
    position_ = range_;
  SetRect(rect_, /*invalidate=*/true);
}

int ScrollBar::GetScrollPos() const {
  return position_;
}

void ScrollBar::SetScrollPos(int position, Notify notify) {
  if (position_ == position)
    return;
  const int old = position_;
  int64_t snapped = position < 0 ? 0 : position;
  if (scrollUnit_ > 1) {
    const int64_t remainder = snapped % scrollUnit_;
    if (remainder != 0) {
      snapped -= remainder;
      if (remainder >= scrollUnit_ / 2)
        snapped += scrollUnit_;
    }
  }
  position_ = static_cast<int>(std::min<int64_t>(snapped, range_));
  SetRect(rect_, /*invalidate=*/true);
  // Queued with repeats merged, so that a burst of moves arrives as one notification.
  if (notify == Notify::Yes && manager_)
    manager_->SendNotification(this, L"scroll", position_, old, Dispatch::Queued, Repeats::Merged);
}

int ScrollBar::GetLineSize() const {
  return lineSize_;
}

void ScrollBar::SetLineSize(int size) {
  if (size >= 0)
    lineSize_ = size;
}

int ScrollBar::GetScrollUnit() const {
  return scrollUnit_;
}

void ScrollBar::SetScrollUnit(int unit) {
  if (unit >= 0)
    scrollUnit_ = unit;
}

int ScrollBar::LineStep() const {
  return scrollUnit_ > 1 ? scrollUnit_ : lineSize_;
}

bool ScrollBar::GetShowButton1() const {
  return showButton1_;
}

void ScrollBar::ShowButton1(bool show) {
  showButton1_ = show;
  SetRect(rect_, /*invalidate=*/true);
}

bool ScrollBar::GetShowButton2() const {
  return showButton2_;
}

void ScrollBar::ShowButton2(bool show) {
  showButton2_ = show;
  SetRect(rect_, /*invalidate=*/true);
}

void ScrollBar::LineStepBy(Direction direction) {
  const bool forward = direction == Direction::Forward;
  if (owner_) {
    if (horizontal_)
      forward ? owner_->ScrollLineRight() : owner_->ScrollLineLeft();
    else
      forward ? owner_->ScrollLineDown() : owner_->ScrollLineUp();
    return;
  }
  const int64_t step = forward ? LineStep() : -int64_t{LineStep()};
  SetScrollPos(ClampToInt(position_ + step), Notify::Yes);
}

void ScrollBar::PageStepBy(Direction direction) {
  const bool forward = direction == Direction::Forward;
  if (owner_) {
    if (horizontal_)
      forward ? owner_->ScrollPageRight() : owner_->ScrollPageLeft();
    else
      forward ? owner_->ScrollPageDown() : owner_->ScrollPageUp();
    return;
  }
  const int64_t step = forward ? Length() : -int64_t{Length()};
  SetScrollPos(ClampToInt(position_ + step), Notify::Yes);
}

void ScrollBar::PageTowards(POINT point) {
  const RECT& thumb = parts_.thumb;
  const LONG along = horizontal_ ? point.x : point.y;
  const LONG thumbStart = horizontal_ ? thumb.left : thumb.top;
  const LONG thumbEnd = horizontal_ ? thumb.right : thumb.bottom;
  if (along < thumbStart)
    PageStepBy(Direction::Back);
  else if (along > thumbEnd)
    PageStepBy(Direction::Forward);
}

bool ScrollBar::ChangeParts(bool (PointerState::*change)()) {
  bool changed = false;
  for (PointerState* part : {&button1_, &button2_, &thumb_})
    changed |= (part->*change)();
  return changed;
}

void ScrollBar::PassOn(ControlEvent& event) {
  if (owner_)
    owner_->DeliverEvent(event);
  else
    Control::OnEvent(event);
}

void ScrollBar::Press(POINT point) {
  dragDelta_ = 0;
  repeatTicks_ = 0;
  if (manager_)
    manager_->StartTimer(this, kRepeatTimerId, kRepeatInterval);
  if (button1_.Press(base::RectContains(parts_.button1, point), IsEnabled())) {
    LineStepBy(Direction::Back);
  } else if (button2_.Press(base::RectContains(parts_.button2, point), IsEnabled())) {
    LineStepBy(Direction::Forward);
  } else if (thumb_.Press(base::RectContains(parts_.thumb, point), IsEnabled())) {
    dragStart_ = point;
    dragStartPosition_ = position_;
  } else {
    PageTowards(point);
  }
  Invalidate();
}

void ScrollBar::RepeatTick() {
  ++repeatTicks_;
  if (thumb_.IsCaptured()) {
    const int target = ClampToInt(int64_t{dragStartPosition_} + dragDelta_);
    if (owner_) {
      const SIZE offset = owner_->GetScrollOffset();
      owner_->SetScrollOffset(horizontal_ ? SIZE{target, offset.cy} : SIZE{offset.cx, target});
    } else {
      SetScrollPos(target, Notify::Yes);
    }
    Invalidate();
    return;
  }
  if (repeatTicks_ <= kRepeatDelayTicks)
    return;
  if (button1_.IsPushed()) {
    LineStepBy(Direction::Back);
  } else if (button2_.IsPushed()) {
    LineStepBy(Direction::Forward);
  } else if (manager_ && manager_->PaintWindow()) {
    POINT cursor;
    if (::GetCursorPos(&cursor) && ::ScreenToClient(manager_->PaintWindow(), &cursor))
      PageTowards(cursor);
  }
}

// One case per event kind, each short, so that the bar's answer to every event can be read side
// by side.
void ScrollBar::OnEvent(ControlEvent& event) {
  const POINT point = event.mousePoint;
  switch (event.kind) {
    case ControlEventKind::SetFocus:
    case ControlEventKind::KillFocus:
    case ControlEventKind::ContextMenu:
      return;
    case ControlEventKind::ButtonDown:
    case ControlEventKind::DoubleClick:
      if (IsEnabled())
        Press(point);
      return;
    case ControlEventKind::ButtonUp:
    // A press that ends without a release stops the same way: no further step, no drag.
    case ControlEventKind::CaptureLost:
      dragDelta_ = 0;
      repeatTicks_ = 0;
      if (manager_)
        manager_->StopTimer(this, kRepeatTimerId);
      if (ChangeParts(&PointerState::EndPress))
        Invalidate();
      return;
    case ControlEventKind::MouseMove:
      if (thumb_.IsCaptured()) {
        // The drag's distance from its start, in the bar's positions.
        const RECT& thumb = parts_.thumb;
        const int thumbLength = horizontal_ ? thumb.right - thumb.left : thumb.bottom - thumb.top;
        const int64_t travel = int64_t{Length()} - thumbLength - (showButton1_ ? Thickness() : 0) -
                               (showButton2_ ? Thickness() : 0);
        if (travel > 0) {
          const int64_t moved = horizontal_ ? point.x - dragStart_.x : point.y - dragStart_.y;
          dragDelta_ = ClampToInt(moved * range_ / travel);
        }
        return;
      }
      if (thumb_.Hover(base::RectContains(parts_.thumb, point), IsEnabled()))
        Invalidate();
      return;
    case ControlEventKind::Timer:
      if (event.wParam != kRepeatTimerId)
        break;
      RepeatTick();
      return;
    case ControlEventKind::MouseEnter: {
      const bool overBar = base::RectContains(rect_, point);
      bool changed = button1_.Enter(overBar, IsEnabled());
      changed |= button2_.Enter(overBar, IsEnabled());
      changed |= thumb_.Enter(overBar && base::RectContains(parts_.thumb, point), IsEnabled());
      if (changed)
        Invalidate();
      break;
    }
    case ControlEventKind::MouseLeave:
      // Leaving for a part of the bar itself is no leave: the bar waits for the real one.
      if (!ConfirmMouseLeave(*this, point))
        return;
      if (ChangeParts(&PointerState::Leave))
        Invalidate();
      break;
    default:
      break;
  }
  PassOn(event);
}

void ScrollBar::DrawPartImage(ControlPainter& painter,
                              Part part,
                              uint32_t state,
                              const RECT* place) {
  ImageDrawInfo* images = images_[part];
  auto draw = [&](ImageDrawInfo& image) {
    return place ? painter.DrawImageAt(image, base::OffsetRectBy(*place, -rect_.left, -rect_.top))
                 : painter.DrawImage(image);
  };
  if (state & StateDisabled) {
    if (draw(images[Disabled]))
      return;
  } else if (state & StatePushed) {
    if (draw(images[Pushed]))
      return;
  } else if (state & StateHot) {
    if (draw(images[Hot]))
      return;
  }
  draw(images[Normal]);
}

void ScrollBar::PaintParts(ControlPainter& painter) {
  const uint32_t disabled = IsEnabled() ? 0 : uint32_t{StateDisabled};
  const uint32_t thumbState = thumb_.Bits() | disabled;
  DrawPartImage(painter, Background, thumbState, nullptr);

  struct Button {
    bool shown;
    const PointerState& pointer;
    uint32_t color;
    Part part;
    const RECT& rect;
  };
  for (const Button& button :
       {Button{showButton1_, button1_, button1Color_, Button1, parts_.button1},
        Button{showButton2_, button2_, button2Color_, Button2, parts_.button2}}) {
    if (!button.shown)
      continue;
    if (button.color != 0)
      painter.FillRect(button.rect, AdjustColor(button.color));
    DrawPartImage(painter, button.part, button.pointer.Bits() | disabled, &button.rect);
  }

  const RECT& thumb = parts_.thumb;
  if (thumb.left == 0 && thumb.top == 0 && thumb.right == 0 && thumb.bottom == 0)
    return;
  if (thumbColor_ != 0)
    painter.FillRect(thumb, AdjustColor(thumbColor_));
  DrawPartImage(painter, Thumb, thumbState, &thumb);

  const int t = Thickness();
  RECT rail;
  if (horizontal_) {
    const LONG left = (thumb.left + thumb.right) / 2 - t / 2;
    rail = {left, thumb.top, left + t, thumb.bottom};
  } else {
    const LONG top = (thumb.top + thumb.bottom) / 2 - t / 2;
    rail = {thumb.left, top, thumb.right, top + t};
  }
  DrawPartImage(painter, Rail, thumbState, &rail);
}

bool ScrollBar::PaintSelf(HDC dc, const RECT&, Control*) {
  PaintBackgroundColor(dc);
  PaintBackgroundImage(dc);
  DeviceContextPainter painter(dc, manager_, rect_, paintRect_);
  PaintParts(painter);
  PaintBorder(dc);
  return true;
}

}  // namespace ui
