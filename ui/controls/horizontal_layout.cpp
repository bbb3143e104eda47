#include "ui/controls/horizontal_layout.h"

#include <algorithm>

#include "base/attribute_values.h"
#include "ui/controls/scroll_bar.h"

namespace ui {

HorizontalLayout::HorizontalLayout() : LinearLayout(Axis::Horizontal) {}

const wchar_t* HorizontalLayout::GetClassName() const {
  return L"HorizontalLayout";
}

void* HorizontalLayout::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"HorizontalLayout")
    return this;
  return LinearLayout::CastTo(interfaceName);
}

void HorizontalLayout::SetRect(const RECT& rect, bool invalidate) {
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
  const int verticalExtent = verticalShown ? verticalBar_->GetScrollRange() : 0;
  const int horizontalOffset = horizontalShown ? horizontalBar_->GetScrollPos() : 0;
  const int availableWidth =
      rc.right - rc.left + (horizontalShown ? horizontalBar_->GetScrollRange() : 0);
  const int availableHeight = rc.bottom - rc.top + verticalExtent;

  auto wantedSize = [](const Control* child) {
    return SIZE{child->GetFixedWidth() > 0 ? child->GetFixedWidth() : child->GetMaxWidth(),
                child->GetFixedHeight() > 0 ? child->GetFixedHeight() : child->GetMaxHeight()};
  };

  // First pass: the width that fixed children and paddings take, and how many share the rest.
  // A child without a fixed width always shares, whatever it would measure.
  int measured = 0;
  int stretchables = 0;
  int fixedTotal = 0;
  int neededHeight = 0;
  for (Control* child : items_) {
    if (!child->IsVisible() || child->IsFloat())
      continue;
    ++measured;
    const RECT p = child->GetPadding();
    const SIZE want = wantedSize(child);
    SIZE size;
    if (child->GetFixedWidth() == 0) {
      size = {0, child->GetFixedHeight()};
    } else {
      size = child->MeasureSize({std::min<LONG>(want.cx, availableWidth),
                                 std::min<LONG>(want.cy, availableHeight - p.top - p.bottom)});
    }
    if (size.cx == 0)
      ++stretchables;
    else
      size.cx = std::clamp<LONG>(size.cx, child->GetMinWidth(), child->GetMaxWidth());
    fixedTotal += p.left + p.right + size.cx;
    size.cy =
        std::clamp<LONG>(std::max<LONG>(size.cy, 0), child->GetMinHeight(), child->GetMaxHeight());
    neededHeight = std::max<int>(neededHeight, size.cy + p.top + p.bottom);
  }
  const int paddingTotal = measured > 0 ? (measured - 1) * childPadding_ : 0;
  fixedTotal += paddingTotal;
  const int share =
      stretchables > 0 ? std::max(0, (availableWidth - fixedTotal) / stretchables) : 0;

  // Second pass: place them.
  int x = rc.left - horizontalOffset;
  int remaining = availableWidth;
  int fixedLeft = fixedTotal;
  int neededWidth = 0;
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
    remaining -= p.left;
    const int heightRoom = availableHeight - p.top - p.bottom;
    const SIZE want = wantedSize(child);
    SIZE size = child->MeasureSize(
        {std::min<LONG>(want.cx, remaining), std::min<LONG>(want.cy, heightRoom)});
    fixedLeft -= p.left + p.right;
    if (placed > 1)
      fixedLeft -= childPadding_;
    if (child->GetFixedWidth() != 0 && size.cx != 0) {
      size.cx = std::clamp<LONG>(size.cx, child->GetMinWidth(), child->GetMaxWidth());
      fixedLeft -= size.cx;
    } else {
      ++stretched;
      // The last stretchable child takes exactly what is left, so the division's remainder is
      // not lost.
      size.cx =
          stretched == stretchables ? std::max(0, remaining - int(p.right) - fixedLeft) : share;
      size.cx = std::clamp<LONG>(size.cx, child->GetMinWidth(), child->GetMaxWidth());
    }
    // A child spans the available height unless its fixed or maximum height is smaller.
    const int maxHeight = child->GetMaxHeight() == 0 ? heightRoom : child->GetMaxHeight();
    size.cy = std::min<LONG>(std::max(maxHeight, 0), std::min<LONG>(want.cy, heightRoom));
    size.cy = std::max<LONG>(size.cy, child->GetMinHeight());

    RECT childRect;
    const int left = x + p.left;
    if (childVAlign_ == DT_VCENTER) {
      const int y = (rc.top + rc.bottom) / 2 + verticalExtent / 2 - verticalOffset - size.cy / 2;
      childRect = {left, y, left + size.cx, y + size.cy};
    } else if (childVAlign_ == DT_BOTTOM) {
      const int bottom = rc.bottom + verticalExtent - verticalOffset;
      childRect = {left, bottom - size.cy - p.bottom, left + size.cx, bottom - p.bottom};
    } else {
      const int top = rc.top - verticalOffset + p.top;
      childRect = {left, top, left + size.cx, top + size.cy};
    }
    child->SetRect(childRect, false);

    x += p.left + size.cx + p.right + childPadding_;
    neededWidth += p.left + size.cx + p.right;
    remaining -= size.cx + childPadding_ + p.right;
  }
  if (!IsAlive())
    return;
  UpdateScrollBars(rc, neededWidth + paddingTotal, neededHeight);
}

void HorizontalLayout::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"sepwidth")
    SetSeparatorWidth(base::attribute::ParseInt(value));
  else
    LinearLayout::SetAttribute(name, value);
}

int HorizontalLayout::GetSeparatorWidth() const {
  return separatorSize_;
}

void HorizontalLayout::SetSeparatorWidth(int width) {
  separatorSize_ = width;
}

}  // namespace ui
