#include "ui/controls/vertical_layout.h"

#include <algorithm>

#include "ui/controls/attribute_values.h"
#include "ui/controls/rect_math.h"
#include "ui/controls/scroll_bar.h"
#include "ui/core/paint_manager.h"

namespace ui {

VerticalLayout::VerticalLayout() = default;

const wchar_t* VerticalLayout::GetClassName() const {
  return L"VerticalLayout";
}

void* VerticalLayout::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"VerticalLayout")
    return this;
  return Container::CastTo(interfaceName);
}

uint32_t VerticalLayout::GetFlags() const {
  return IsEnabled() && separatorHeight_ != 0 ? static_cast<uint32_t>(FlagSetCursor) : 0;
}

void VerticalLayout::SetRect(const RECT& rect, bool invalidate) {
  Control::SetRect(rect, invalidate);
  const RECT rc = InnerRect();
  if (items_.empty()) {
    UpdateScrollBars(rc, 0, 0);
    return;
  }
  const bool verticalShown = IsBarShown(verticalBar_);
  const bool horizontalShown = IsBarShown(horizontalBar_);
  const int verticalOffset = verticalShown ? verticalBar_->GetScrollPos() : 0;
  const int horizontalOffset = horizontalShown ? horizontalBar_->GetScrollPos() : 0;
  const int horizontalExtent = horizontalShown ? horizontalBar_->GetScrollRange() : 0;
  const int availableWidth = rc.right - rc.left + horizontalExtent;
  const int availableHeight =
      rc.bottom - rc.top + (verticalShown ? verticalBar_->GetScrollRange() : 0);

  auto wantedSize = [](const Control* child) {
    return SIZE{child->GetFixedWidth() > 0 ? child->GetFixedWidth() : child->GetMaxWidth(),
                child->GetFixedHeight() > 0 ? child->GetFixedHeight() : child->GetMaxHeight()};
  };

  // First pass: the height that fixed children and paddings take, and how many share the rest.
  int measured = 0;
  int stretchables = 0;
  int fixedTotal = 0;
  int neededWidth = 0;
  for (Control* child : items_) {
    if (!child->IsVisible() || child->IsFloat())
      continue;
    ++measured;
    const RECT p = child->GetPadding();
    const SIZE want = wantedSize(child);
    SIZE size = child->MeasureSize({std::min<LONG>(want.cx, availableWidth - p.left - p.right),
                                    std::min<LONG>(want.cy, availableHeight)});
    if (size.cy == 0)
      ++stretchables;
    else
      size.cy = std::clamp<LONG>(size.cy, child->GetMinHeight(), child->GetMaxHeight());
    fixedTotal += p.top + p.bottom + size.cy;
    size.cx =
        std::clamp<LONG>(std::max<LONG>(size.cx, 0), child->GetMinWidth(), child->GetMaxWidth());
    neededWidth = std::max<int>(neededWidth, size.cx + p.left + p.right);
  }
  const int paddingTotal = measured > 0 ? (measured - 1) * childPadding_ : 0;
  fixedTotal += paddingTotal;
  const int share =
      stretchables > 0 ? std::max(0, (availableHeight - fixedTotal) / stretchables) : 0;

  // Second pass: place them.
  int y = rc.top - verticalOffset;
  int remaining = availableHeight;
  int fixedLeft = fixedTotal;
  int neededHeight = 0;
  int placed = 0;
  int stretched = 0;
  for (int i = 0; i < Count(); ++i) {
    Control* child = items_[i];
    if (!child->IsVisible())
      continue;
    if (child->IsFloat()) {
      PlaceFloatingItem(i);
      continue;
    }
    ++placed;
    const RECT p = child->GetPadding();
    remaining -= p.top;
    const int widthRoom = availableWidth - p.left - p.right;
    const SIZE want = wantedSize(child);
    SIZE size = child->MeasureSize(
        {std::min<LONG>(want.cx, widthRoom), std::min<LONG>(want.cy, remaining)});
    fixedLeft -= p.top + p.bottom;
    if (placed > 1)
      fixedLeft -= childPadding_;
    if (size.cy != 0) {
      size.cy = std::clamp<LONG>(size.cy, child->GetMinHeight(), child->GetMaxHeight());
      fixedLeft -= size.cy;
    } else {
      ++stretched;
      // The last stretchable child takes exactly what is left, so the division's remainder is
      // not lost.
      size.cy =
          stretched == stretchables ? std::max(0, remaining - int(p.bottom) - fixedLeft) : share;
      size.cy = std::clamp<LONG>(size.cy, child->GetMinHeight(), child->GetMaxHeight());
    }
    // A child spans the available width unless its fixed or maximum width is smaller.
    const int maxWidth = child->GetMaxWidth() == 0 ? widthRoom : child->GetMaxWidth();
    size.cx = std::min<LONG>(std::max(maxWidth, 0), std::min<LONG>(want.cx, widthRoom));
    size.cx = std::max<LONG>(size.cx, child->GetMinWidth());

    RECT childRect;
    const int top = y + p.top;
    if (childAlign_ == DT_CENTER) {
      const int x =
          (rc.left + rc.right) / 2 + horizontalExtent / 2 - horizontalOffset - size.cx / 2;
      childRect = {x, top, x + size.cx, top + size.cy};
    } else if (childAlign_ == DT_RIGHT) {
      const int right = rc.right + horizontalExtent - horizontalOffset;
      childRect = {right - size.cx - p.right, top, right - p.right, top + size.cy};
    } else {
      const int x = rc.left - horizontalOffset + p.left;
      childRect = {x, top, x + size.cx, top + size.cy};
    }
    child->SetRect(childRect, false);

    y += p.top + size.cy + p.bottom + childPadding_;
    neededHeight += p.top + size.cy + p.bottom;
    remaining -= size.cy + childPadding_ + p.bottom;
  }
  UpdateScrollBars(rc, neededWidth, neededHeight + paddingTotal);
}

RECT VerticalLayout::SeparatorBand(const RECT& base) const {
  if (separatorHeight_ > 0)
    return {base.left, std::max<LONG>(base.top, base.bottom - separatorHeight_), base.right,
            base.bottom};
  if (separatorHeight_ < 0)
    return {base.left, base.top, base.right,
            std::min<LONG>(base.bottom, base.top - separatorHeight_)};
  return {0, 0, 0, 0};
}

void VerticalLayout::OnEvent(ControlEvent& event) {
  if (separatorHeight_ != 0) {
    const POINT point = event.mousePoint;
    switch (event.kind) {
      case ControlEventKind::ButtonDown:
        if (IsEnabled() && RectContains(SeparatorBand(rect_), point)) {
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
          const int dy = point.y - lastMouse_.y;
          lastMouse_ = point;
          DragSeparator(point, dy);
          return;
        }
        break;
      case ControlEventKind::SetCursor:
        if (IsEnabled() && RectContains(SeparatorBand(rect_), point)) {
          ::SetCursor(::LoadCursorW(nullptr, IDC_SIZENS));
          return;
        }
        break;
      default:
        break;
    }
  }
  Container::OnEvent(event);
}

void VerticalLayout::DragSeparator(POINT point, int dy) {
  // The edge follows the pointer only while the pointer is not on the far side of the band, so
  // that after a clamp the pointer has to come back to the band before the edge moves again.
  const RECT oldBand = SeparatorBand(dragRect_);
  if (dy == 0 || (dy > 0 && point.y < oldBand.top) || (dy < 0 && point.y > oldBand.bottom))
    return;
  const int oldExtent = dragRect_.bottom - dragRect_.top;
  const bool movesTop = separatorHeight_ < 0;
  int extent = oldExtent + (movesTop ? -dy : dy);
  if (extent < GetMinHeight()) {
    if (oldExtent == GetMinHeight())
      return;
    extent = GetMinHeight();
  } else if (extent > GetMaxHeight()) {
    if (oldExtent == GetMaxHeight())
      return;
    extent = GetMaxHeight();
  }
  if (movesTop)
    dragRect_.top = dragRect_.bottom - extent;
  else
    dragRect_.bottom = dragRect_.top + extent;
  fixedHeight_ = extent;
  if (immediate_) {
    rect_ = dragRect_;
    RequestParentLayout();
  } else if (manager_) {
    manager_->Invalidate(UnionRects(oldBand, SeparatorBand(dragRect_)));
  }
}

void VerticalLayout::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"sepheight")
    SetSeparatorHeight(attribute::ParseInt(value));
  else if (name == L"sepimm")
    SetSeparatorImmediate(attribute::ParseBool(value));
  else
    Container::SetAttribute(name, value);
}

void VerticalLayout::PaintAfter(HDC dc) {
  if (IsDragging() && !immediate_)
    RenderEngine::DrawColor(dc, SeparatorBand(dragRect_), 0xAA000000);
  Container::PaintAfter(dc);
}

int VerticalLayout::GetSeparatorHeight() const {
  return separatorHeight_;
}

void VerticalLayout::SetSeparatorHeight(int height) {
  separatorHeight_ = height;
}

bool VerticalLayout::IsSeparatorImmediate() const {
  return immediate_;
}

void VerticalLayout::SetSeparatorImmediate(bool immediate) {
  immediate_ = immediate;
}

}  // namespace ui
