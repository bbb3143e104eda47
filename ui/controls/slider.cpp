#include "ui/controls/slider.h"

#include <oleacc.h>

#include <algorithm>
#include <cstdint>

#include "base/attribute_values.h"
#include "base/rect_math.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

// The range as the paint repairs it, widened so that no span or product overflows.
struct ValueRange {
  ValueRange(int minValue, int maxValue)
      : low(minValue), high(maxValue > minValue ? int64_t{maxValue} : int64_t{minValue} + 1) {}
  int64_t Span() const { return high - low; }
  int64_t low;
  int64_t high;
};

}  // namespace

RECT SliderThumbRect(const RECT& rect,
                     bool horizontal,
                     int minValue,
                     int maxValue,
                     int value,
                     SIZE thumb) {
  const ValueRange range(minValue, maxValue);
  const int64_t offset = std::clamp<int64_t>(value, range.low, range.high) - range.low;
  if (horizontal) {
    const int64_t travel = rect.right - thumb.cx - rect.left;
    const LONG left = static_cast<LONG>(rect.left + offset * travel / range.Span());
    const LONG top = (rect.top + rect.bottom - thumb.cy) / 2;
    return {left, top, left + thumb.cx, top + thumb.cy};
  }
  const int64_t travel = rect.bottom - rect.top - thumb.cy;
  const LONG left = (rect.left + rect.right - thumb.cx) / 2;
  const LONG bottom = static_cast<LONG>(rect.bottom - travel * offset / range.Span());
  return {left, bottom - thumb.cy, left + thumb.cx, bottom};
}

int SliderValueAt(const RECT& rect,
                  bool horizontal,
                  int minValue,
                  int maxValue,
                  SIZE thumb,
                  POINT point) {
  const ValueRange range(minValue, maxValue);
  // Between the two ends the divisor is at least one, as the point lies strictly inside.
  if (horizontal) {
    if (point.x >= rect.right - thumb.cx / 2)
      return maxValue;
    if (point.x <= rect.left + thumb.cx / 2)
      return minValue;
    return static_cast<int>(range.low + range.Span() * (point.x - thumb.cx / 2 - rect.left) /
                                            (rect.right - rect.left - thumb.cx));
  }
  if (point.y >= rect.bottom - thumb.cy / 2)
    return minValue;
  if (point.y <= rect.top + thumb.cy / 2)
    return maxValue;
  return static_cast<int>(range.low + range.Span() * (rect.bottom - thumb.cy / 2 - point.y) /
                                          (rect.bottom - rect.top - thumb.cy));
}

Slider::Slider() = default;

Slider::~Slider() = default;

const wchar_t* Slider::GetClassName() const {
  return L"Slider";
}

void* Slider::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"Slider")
    return this;
  return Progress::CastTo(interfaceName);
}

uint32_t Slider::GetFlags() const {
  return IsEnabled() ? FlagTabStop | FlagSetCursor : 0;
}

void Slider::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  if (!IsEnabled())
    pointer_.Reset();
}

RECT Slider::GetThumbRect() const {
  return SliderThumbRect(rect_, horizontal_, minValue_, maxValue_, value_,
                         Scale().Size(thumbSize_));
}

void Slider::SetThumbSize(const SkinSize& size) {
  thumbSize_ = size;
}

int Slider::ValueAt(POINT point) const {
  return SliderValueAt(rect_, horizontal_, minValue_, maxValue_, Scale().Size(thumbSize_), point);
}

void Slider::NotifyValueChanged() {
  if (manager_)
    manager_->SendNotification(this, L"valuechanged");
}

void Slider::OnEvent(ControlEvent& event) {
  const bool inside = base::RectContains(rect_, event.mousePoint);
  // The drag goes on wherever the pointer goes, so the slider does not follow it with pushed.
  const bool dragging = pointer_.IsCaptured();
  switch (event.kind) {
    case ControlEventKind::ButtonDown:
    case ControlEventKind::DoubleClick: {
      if (!pointer_.Press(inside, IsEnabled()))
        return;
      const int value = ValueAt(event.mousePoint);
      if (value != value_ && value >= minValue_ && value <= maxValue_) {
        value_ = value;
        Invalidate();
      }
      return;
    }
    case ControlEventKind::MouseMove:
      if (dragging) {
        value_ = ValueAt(event.mousePoint);
        Invalidate();
        if (notifyWhileDragging_)
          NotifyValueChanged();
      }
      return;
    case ControlEventKind::ButtonUp:
      if (dragging) {
        // The drag ends before the window hears of it: a listener may destroy the slider.
        value_ = ValueAt(event.mousePoint);
        pointer_.EndPress();
        Invalidate();
        NotifyValueChanged();
      }
      return;
    case ControlEventKind::CaptureLost:
      // The drag ends at the value it reached, which the window then hears of.
      if (pointer_.EndPress()) {
        Invalidate();
        NotifyValueChanged();
      }
      return;
    case ControlEventKind::ContextMenu:
      return;
    case ControlEventKind::ScrollWheel: {
      const int direction = LOWORD(event.wParam);
      if (direction != 0 && direction != 1)
        return;
      SetValue(direction == 0 ? value_ + step_ : value_ - step_);
      NotifyValueChanged();
      return;
    }
    case ControlEventKind::SetCursor:
      if (IsEnabled() && base::RectContains(GetThumbRect(), event.mousePoint)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return;
      }
      break;
    case ControlEventKind::MouseEnter:
      if (pointer_.Enter(inside, IsEnabled()))
        Invalidate();
      break;
    case ControlEventKind::MouseLeave:
      if (!ConfirmMouseLeave(*this, event.mousePoint))
        return;
      if (pointer_.Leave())
        Invalidate();
      break;
    default:
      break;
  }
  Control::OnEvent(event);
}

void Slider::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"thumbimage") {
    SetThumbImage(value);
  } else if (name == L"thumbhotimage") {
    SetThumbHotImage(value);
  } else if (name == L"thumbpushedimage") {
    SetThumbPushedImage(value);
  } else if (name == L"thumbsize") {
    SetThumbSize(SkinSize(base::attribute::ParseSize(value)));
  } else if (name == L"step") {
    SetStep(base::attribute::ParseInt(value));
  } else if (name == L"imm") {
    SetNotifyWhileDragging(base::attribute::ParseBool(value));
  } else {
    Progress::SetAttribute(name, value);
  }
}

void Slider::PaintStateImages(HDC dc) {
  DeviceContextPainter painter(dc, manager_, rect_, paintRect_);
  PaintForeImage(painter);
  PaintThumb(painter);
}

void Slider::PaintThumb(ControlPainter& painter) {
  const RECT thumb = GetThumbRect();
  if (base::IsRectEmpty(thumb))
    return;
  const RECT relative = base::OffsetRectBy(thumb, -rect_.left, -rect_.top);
  auto drawAtThumb = [&](ImageDrawInfo& image) { return painter.DrawImageAt(image, relative); };
  if (pointer_.IsCaptured() && drawAtThumb(thumbPushedImage_))
    return;
  if (!pointer_.IsCaptured() && pointer_.IsHot() && drawAtThumb(thumbHotImage_))
    return;
  drawAtThumb(thumbImage_);
}

void Slider::DescribeAccessible(AccessibleDescription& description) const {
  Progress::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_SLIDER;
}

}  // namespace ui
