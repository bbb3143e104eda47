#include "ui/controls/vertical_layout.h"

#include <algorithm>

#include "base/attribute_values.h"
#include "ui/controls/scroll_bar.h"

namespace ui {

VerticalLayout::VerticalLayout() : LinearLayout(Axis::Vertical) {}

const wchar_t* VerticalLayout::GetClassName() const {
  return L"VerticalLayout";
}

void* VerticalLayout::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"VerticalLayout")
    return this;
  return LinearLayout::CastTo(interfaceName);
}

void VerticalLayout::SetRect(const RECT& rect, bool invalidate) {
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
  // A child's size hooks may remove or destroy children, or this layout: the walk keeps to the
  // children it began with that are still here.
  const std::vector<Control*> children = items_;
  for (Control* child : children) {
    if (!IsAlive())
      return;
    if (!Holds(child) || !child->IsVisible())
      continue;
    if (child->IsFloat()) {
      PlaceFloatingItem(IndexOf(child));
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
  if (!IsAlive())
    return;
  UpdateScrollBars(rc, neededWidth, neededHeight + paddingTotal);
}

void VerticalLayout::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"sepheight")
    SetSeparatorHeight(base::attribute::ParseInt(value));
  else
    LinearLayout::SetAttribute(name, value);
}

int VerticalLayout::GetSeparatorHeight() const {
  return separatorSize_;
}

void VerticalLayout::SetSeparatorHeight(int height) {
  separatorSize_ = height;
}

}  // namespace ui
