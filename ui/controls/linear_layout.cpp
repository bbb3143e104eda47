#include "ui/controls/linear_layout.h"

#include <algorithm>

#include "base/attribute_values.h"
#include "base/rect_math.h"
#include "ui/core/paint_manager.h"

namespace ui {

namespace {

using Axis = LinearLayout::Axis;

// The edges of a rectangle and the coordinate of a point along the axis.
LONG& NearEdge(RECT& rect, Axis axis) {
  return axis == Axis::Horizontal ? rect.left : rect.top;
}

LONG& FarEdge(RECT& rect, Axis axis) {
  return axis == Axis::Horizontal ? rect.right : rect.bottom;
}

LONG NearEdge(const RECT& rect, Axis axis) {
  return axis == Axis::Horizontal ? rect.left : rect.top;
}

LONG FarEdge(const RECT& rect, Axis axis) {
  return axis == Axis::Horizontal ? rect.right : rect.bottom;
}

LONG Along(POINT point, Axis axis) {
  return axis == Axis::Horizontal ? point.x : point.y;
}

}  // namespace

LinearLayout::LinearLayout(Axis axis) : axis_(axis) {}

uint32_t LinearLayout::GetFlags() const {
  return IsEnabled() && separatorSize_ != 0 ? static_cast<uint32_t>(FlagSetCursor) : 0;
}

RECT LinearLayout::SeparatorBand(const RECT& base) const {
  if (separatorSize_ == 0)
    return {0, 0, 0, 0};
  RECT band = base;
  if (separatorSize_ > 0)
    NearEdge(band, axis_) =
        std::max<LONG>(NearEdge(base, axis_), FarEdge(base, axis_) - separatorSize_);
  else
    FarEdge(band, axis_) =
        std::min<LONG>(FarEdge(base, axis_), NearEdge(base, axis_) - separatorSize_);
  return band;
}

void LinearLayout::OnEvent(ControlEvent& event) {
  if (separatorSize_ != 0) {
    const POINT point = event.mousePoint;
    switch (event.kind) {
      case ControlEventKind::ButtonDown:
        if (IsEnabled() && base::RectContains(SeparatorBand(rect_), point)) {
          dragState_ |= kDragging;
          lastMouse_ = point;
          dragRect_ = rect_;
          if (!immediate_ && manager_)
            manager_->AddPostPaint(this);
          return;
        }
        break;
      case ControlEventKind::ButtonUp:
        if (IsDragging()) {
          dragState_ &= ~kDragging;
          rect_ = dragRect_;
          if (!immediate_ && manager_)
            manager_->RemovePostPaint(this);
          RequestParentLayout();
          return;
        }
        break;
      case ControlEventKind::MouseMove:
        if (IsDragging()) {
          const int delta = Along(point, axis_) - Along(lastMouse_, axis_);
          lastMouse_ = point;
          DragSeparator(point, delta);
          return;
        }
        break;
      case ControlEventKind::SetCursor:
        if (IsEnabled() && base::RectContains(SeparatorBand(rect_), point)) {
          ::SetCursor(::LoadCursorW(nullptr, axis_ == Axis::Horizontal ? IDC_SIZEWE : IDC_SIZENS));
          return;
        }
        break;
      default:
        break;
    }
  }
  Container::OnEvent(event);
}

void LinearLayout::DragSeparator(POINT point, int delta) {
  // The edge follows the pointer only while the pointer is not on the far side of the band, so
  // that after a clamp the pointer has to come back to the band before the edge moves again.
  const RECT oldBand = SeparatorBand(dragRect_);
  const LONG pointer = Along(point, axis_);
  if (delta == 0 || (delta > 0 && pointer < NearEdge(oldBand, axis_)) ||
      (delta < 0 && pointer > FarEdge(oldBand, axis_)))
    return;
  const bool horizontal = axis_ == Axis::Horizontal;
  const int minExtent = horizontal ? GetMinWidth() : GetMinHeight();
  const int maxExtent = horizontal ? GetMaxWidth() : GetMaxHeight();
  const int oldExtent = FarEdge(dragRect_, axis_) - NearEdge(dragRect_, axis_);
  const bool movesNearEdge = separatorSize_ < 0;
  int extent = oldExtent + (movesNearEdge ? -delta : delta);
  if (extent < minExtent) {
    if (oldExtent == minExtent)
      return;
    extent = minExtent;
  } else if (extent > maxExtent) {
    if (oldExtent == maxExtent)
      return;
    extent = maxExtent;
  }
  if (movesNearEdge)
    NearEdge(dragRect_, axis_) = FarEdge(dragRect_, axis_) - extent;
  else
    FarEdge(dragRect_, axis_) = NearEdge(dragRect_, axis_) + extent;
  (horizontal ? fixedWidth_ : fixedHeight_) = extent;
  if (immediate_) {
    rect_ = dragRect_;
    RequestParentLayout();
  } else if (manager_) {
    manager_->Invalidate(base::UnionRects(oldBand, SeparatorBand(dragRect_)));
  }
}

void LinearLayout::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"sepimm")
    SetSeparatorImmediate(base::attribute::ParseBool(value));
  else
    Container::SetAttribute(name, value);
}

void LinearLayout::PaintAfter(HDC dc) {
  if (IsDragging() && !immediate_)
    RenderEngine::DrawColor(dc, SeparatorBand(dragRect_), 0xAA000000);
  Container::PaintAfter(dc);
}

bool LinearLayout::IsSeparatorImmediate() const {
  return immediate_;
}

void LinearLayout::SetSeparatorImmediate(bool immediate) {
  immediate_ = immediate;
}

}  // namespace ui
