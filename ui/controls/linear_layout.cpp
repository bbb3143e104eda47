#include "ui/controls/linear_layout.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/attribute_values.h"
#include "base/rect_math.h"
#include "ui/controls/scroll_bar.h"
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

Axis Across(Axis axis) {
  return axis == Axis::Horizontal ? Axis::Vertical : Axis::Horizontal;
}

// The extent of a size along the axis.
LONG& Along(SIZE& size, Axis axis) {
  return axis == Axis::Horizontal ? size.cx : size.cy;
}

LONG Extent(const RECT& rect, Axis axis) {
  return FarEdge(rect, axis) - NearEdge(rect, axis);
}

// A child's size limits along the axis.
struct Limits {
  int fixed;
  int min;
  int max;
};

Limits LimitsAlong(const Control* child, Axis axis) {
  if (axis == Axis::Horizontal)
    return {child->ScaledFixedWidth(), child->ScaledMinWidth(), child->ScaledMaxWidth()};
  return {child->ScaledFixedHeight(), child->ScaledMinHeight(), child->ScaledMaxHeight()};
}

// The size a child asks for along the axis: its fixed size, or its maximum without one.
int Wanted(const Limits& limits) {
  return limits.fixed > 0 ? limits.fixed : limits.max;
}

// What a child keeps along the axis of the size it measures to: a column keeps a measured height
// (a label is as tall as its text), a row only a fixed width; none (nor a size of zero) means
// that the child stretches, sharing the room left. A multi-line label measures to the whole width
// it is offered, so a row that kept measured widths would push the children after it out.
std::optional<LONG> KeptAlong(LONG measured, const Limits& limits, Axis axis) {
  if ((axis == Axis::Horizontal && limits.fixed <= 0) || measured == 0)
    return std::nullopt;
  return measured;
}

// A size given along and across the axis.
SIZE MakeSize(Axis axis, LONG along, LONG across) {
  return axis == Axis::Horizontal ? SIZE{along, across} : SIZE{across, along};
}

// Across the axis a child sits near, centred or far, as the alignment across this axis says.
enum class CrossAlign { Near, Center, Far };

// The flow area of a layout and what its scroll bars add to it, in pixels.
struct Flow {
  Axis along;
  Axis across;
  RECT inner;
  int childPadding;
  int alongOffset;
  int acrossOffset;
  int acrossExtent;
  int availableAlong;
  int availableAcross;
  CrossAlign crossAlign;
};

// The first pass's totals, which the second pass counts down.
struct FlowTotals {
  int stretchables = 0;
  int fixedTotal = 0;
  int neededAcross = 0;
  int paddingTotal = 0;
  int share = 0;
};

// The second pass's running state.
struct Placement {
  int position;
  int remaining;
  int fixedLeft;
  int neededAlong = 0;
  int placed = 0;
  int stretched = 0;
};

// The first pass: the room that sized children and paddings take, and how many share the rest.
FlowTotals MeasureChildren(const std::vector<Control*>& children, const Flow& flow) {
  const Axis along = flow.along;
  const Axis across = flow.across;
  FlowTotals totals;
  int measured = 0;
  for (Control* child : children) {
    if (!child->IsVisible() || child->IsFloat())
      continue;
    ++measured;
    const RECT p = child->ScaledPadding();
    const Limits alongLimits = LimitsAlong(child, along);
    const Limits acrossLimits = LimitsAlong(child, across);
    SIZE size = child->MeasureSize(
        MakeSize(along, std::min(Wanted(alongLimits), flow.availableAlong),
                 std::min<int>(Wanted(acrossLimits),
                               flow.availableAcross - NearEdge(p, across) - FarEdge(p, across))));
    LONG& sizeAlong = Along(size, along);
    const std::optional<LONG> kept = KeptAlong(sizeAlong, alongLimits, along);
    if (!kept) {
      sizeAlong = 0;
      ++totals.stretchables;
    } else {
      sizeAlong = std::clamp<LONG>(*kept, alongLimits.min, alongLimits.max);
    }
    totals.fixedTotal += NearEdge(p, along) + FarEdge(p, along) + sizeAlong;
    const LONG sizeAcross = std::clamp<LONG>(std::max<LONG>(Along(size, across), 0),
                                             acrossLimits.min, acrossLimits.max);
    totals.neededAcross =
        std::max<int>(totals.neededAcross, sizeAcross + NearEdge(p, across) + FarEdge(p, across));
  }
  totals.paddingTotal = measured > 0 ? (measured - 1) * flow.childPadding : 0;
  totals.fixedTotal += totals.paddingTotal;
  totals.share = totals.stretchables > 0
                     ? std::max(0, (flow.availableAlong - totals.fixedTotal) / totals.stretchables)
                     : 0;
  return totals;
}

// Where a child of the given size across starts across the axis.
int AcrossStart(const Flow& flow, const RECT& padding, LONG sizeAcross) {
  const Axis across = flow.across;
  const RECT& rc = flow.inner;
  switch (flow.crossAlign) {
    case CrossAlign::Center:
      return (NearEdge(rc, across) + FarEdge(rc, across)) / 2 + flow.acrossExtent / 2 -
             flow.acrossOffset - sizeAcross / 2;
    case CrossAlign::Far:
      return FarEdge(rc, across) + flow.acrossExtent - flow.acrossOffset - sizeAcross -
             FarEdge(padding, across);
    default:
      return NearEdge(rc, across) - flow.acrossOffset + NearEdge(padding, across);
  }
}

// The second pass for one child: its size along the axis (kept, a share, or for the last
// stretchable child exactly what is left, so the division's remainder is not lost), its size
// across, and its place.
void PlaceChild(Control* child, const Flow& flow, const FlowTotals& totals, Placement& placement) {
  const Axis along = flow.along;
  const Axis across = flow.across;
  ++placement.placed;
  const RECT p = child->ScaledPadding();
  const int nearAlong = NearEdge(p, along);
  const int farAlong = FarEdge(p, along);
  placement.remaining -= nearAlong;
  const int acrossRoom = flow.availableAcross - NearEdge(p, across) - FarEdge(p, across);
  const Limits alongLimits = LimitsAlong(child, along);
  const Limits acrossLimits = LimitsAlong(child, across);
  SIZE size = child->MeasureSize(MakeSize(along, std::min(Wanted(alongLimits), placement.remaining),
                                          std::min(Wanted(acrossLimits), acrossRoom)));
  placement.fixedLeft -= nearAlong + farAlong;
  if (placement.placed > 1)
    placement.fixedLeft -= flow.childPadding;
  const std::optional<LONG> kept = KeptAlong(Along(size, along), alongLimits, along);
  LONG sizeAlong = 0;
  if (kept) {
    sizeAlong = std::clamp<LONG>(*kept, alongLimits.min, alongLimits.max);
    placement.fixedLeft -= sizeAlong;
  } else {
    ++placement.stretched;
    sizeAlong = placement.stretched == totals.stretchables
                    ? std::max(0, placement.remaining - farAlong - placement.fixedLeft)
                    : totals.share;
    sizeAlong = std::clamp<LONG>(sizeAlong, alongLimits.min, alongLimits.max);
  }
  // A child spans the available room across unless its fixed or maximum size is smaller.
  const int maxAcross = acrossLimits.max == 0 ? acrossRoom : acrossLimits.max;
  LONG sizeAcross = std::min(std::max(maxAcross, 0), std::min(Wanted(acrossLimits), acrossRoom));
  sizeAcross = std::max<LONG>(sizeAcross, acrossLimits.min);

  RECT childRect;
  NearEdge(childRect, along) = placement.position + nearAlong;
  FarEdge(childRect, along) = placement.position + nearAlong + sizeAlong;
  const int acrossStart = AcrossStart(flow, p, sizeAcross);
  NearEdge(childRect, across) = acrossStart;
  FarEdge(childRect, across) = acrossStart + sizeAcross;
  child->SetRect(childRect, /*invalidate=*/false);

  placement.position += nearAlong + sizeAlong + farAlong + flow.childPadding;
  placement.neededAlong += nearAlong + sizeAlong + farAlong;
  placement.remaining -= sizeAlong + flow.childPadding + farAlong;
}

}  // namespace

LinearLayout::LinearLayout(Axis axis) : axis_(axis) {}

uint32_t LinearLayout::GetFlags() const {
  return IsEnabled() && separatorSize_ != SkinLength(0) ? static_cast<uint32_t>(FlagSetCursor) : 0;
}

RECT LinearLayout::SeparatorBand(const RECT& base) const {
  if (separatorSize_ == SkinLength(0))
    return {0, 0, 0, 0};
  const int separator = Scale().Length(separatorSize_);
  RECT band = base;
  if (separator > 0)
    NearEdge(band, axis_) = std::max<LONG>(NearEdge(base, axis_), FarEdge(base, axis_) - separator);
  else
    FarEdge(band, axis_) = std::min<LONG>(FarEdge(base, axis_), NearEdge(base, axis_) - separator);
  return band;
}

void LinearLayout::OnEvent(ControlEvent& event) {
  if (separatorSize_ != SkinLength(0)) {
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

// Lines the children up along the axis. A child keeps the size along the axis that KeptAlong
// gives it (clamped to its limits); the others share what is left, the last of them taking the
// remainder of the division. Across the axis every child spans the available room unless its
// fixed or maximum size is smaller, and sits where the cross alignment says. The first pass
// measures, the second places, counting down the first one's totals.
void LinearLayout::SetRect(const RECT& rect, bool invalidate) {
  // The size hooks may destroy the control: the rest of the layout is then skipped.
  DispatchScope dispatch;
  Control::SetRect(rect, invalidate);
  if (!IsAlive())
    return;
  const RECT rc = InnerRect();
  if (items_.empty()) {
    UpdateScrollBars(rc, 0, 0);
    return;
  }
  const Axis along = axis_;
  const Axis across = Across(axis_);
  ScrollBar* const alongBar = along == Axis::Horizontal ? horizontalBar_ : verticalBar_;
  ScrollBar* const acrossBar = along == Axis::Horizontal ? verticalBar_ : horizontalBar_;
  const bool alongShown = IsBarShown(alongBar);
  const bool acrossShown = IsBarShown(acrossBar);
  Flow flow = {along, across, rc, Scale().Length(childPadding_), 0, 0, 0, 0, 0, CrossAlign::Near};
  flow.alongOffset = alongShown ? alongBar->GetScrollPos() : 0;
  flow.acrossOffset = acrossShown ? acrossBar->GetScrollPos() : 0;
  flow.acrossExtent = acrossShown ? acrossBar->GetScrollRange() : 0;
  flow.availableAlong = Extent(rc, along) + (alongShown ? alongBar->GetScrollRange() : 0);
  flow.availableAcross = Extent(rc, across) + flow.acrossExtent;
  const int align = along == Axis::Horizontal ? childVAlign_ : childAlign_;
  if (align == (along == Axis::Horizontal ? DT_VCENTER : DT_CENTER))
    flow.crossAlign = CrossAlign::Center;
  else if (align == (along == Axis::Horizontal ? DT_BOTTOM : DT_RIGHT))
    flow.crossAlign = CrossAlign::Far;

  const FlowTotals totals = MeasureChildren(items_, flow);
  Placement placement = {NearEdge(rc, along) - flow.alongOffset, flow.availableAlong,
                         totals.fixedTotal};
  if (!PlaceChildren([&](Control* child) { PlaceChild(child, flow, totals, placement); }))
    return;
  const SIZE needed =
      MakeSize(along, placement.neededAlong + totals.paddingTotal, totals.neededAcross);
  UpdateScrollBars(rc, needed.cx, needed.cy);
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
  const int minExtent = horizontal ? ScaledMinWidth() : ScaledMinHeight();
  const int maxExtent = horizontal ? ScaledMaxWidth() : ScaledMaxHeight();
  const int oldExtent = FarEdge(dragRect_, axis_) - NearEdge(dragRect_, axis_);
  const bool movesNearEdge = separatorSize_ < SkinLength(0);
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
  (horizontal ? fixedWidth_ : fixedHeight_) = Scale().ToSkin(extent);
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
