#include "ui/controls/container.h"

#include <algorithm>
#include <cstdlib>

#include "ui/controls/scroll_bar.h"
#include "ui/core/paint_manager.h"

// The scroll state of a container: which bars show, their extents and offsets, and the scroll
// steps of keys and the wheel.
namespace ui {
namespace {
constexpr int kDefaultLineStep = 8;
}

SIZE Container::GetScrollOffset() const {
  return {IsBarShown(horizontalBar_) ? horizontalBar_->GetScrollPos() : 0,
          IsBarShown(verticalBar_) ? verticalBar_->GetScrollPos() : 0};
}

SIZE Container::GetScrollExtent() const {
  return {IsBarShown(horizontalBar_) ? horizontalBar_->GetScrollRange() : 0,
          IsBarShown(verticalBar_) ? verticalBar_->GetScrollRange() : 0};
}

void Container::SetScrollOffset(SIZE offset) {
  int dx = 0;
  int dy = 0;
  if (IsBarShown(horizontalBar_)) {
    const int old = horizontalBar_->GetScrollPos();
    horizontalBar_->SetScrollPos(offset.cx, Notify::No);
    dx = horizontalBar_->GetScrollPos() - old;
  }
  if (IsBarShown(verticalBar_)) {
    const int old = verticalBar_->GetScrollPos();
    verticalBar_->SetScrollPos(offset.cy, Notify::No);
    dy = verticalBar_->GetScrollPos() - old;
  }
  if (dx == 0 && dy == 0)
    return;
  for (Control* child : items_) {
    if (child->IsVisible() && !child->IsFloat())
      child->Offset(-dx, -dy, /*invalidate=*/false);
  }
  Invalidate();
}

int Container::VerticalLineStep() const {
  int step = kDefaultLineStep;
  if (manager_)
    step = manager_->GetDefaultFontInfo().metrics.tmHeight + kDefaultLineStep;
  if (verticalBar_ && verticalBar_->LineStep() > 1)
    step = verticalBar_->LineStep();
  return step;
}

int Container::HorizontalLineStep() const {
  if (horizontalBar_ && horizontalBar_->LineStep() > 1)
    return horizontalBar_->LineStep();
  return kDefaultLineStep;
}

void Container::ScrollBy(int dx, int dy) {
  const SIZE offset = GetScrollOffset();
  SetScrollOffset({offset.cx + dx, offset.cy + dy});
}

void Container::ScrollLineUp() {
  ScrollBy(0, -VerticalLineStep());
}

void Container::ScrollLineDown() {
  ScrollBy(0, VerticalLineStep());
}

void Container::ScrollPageUp() {
  ScrollBy(0, -(InnerRect().bottom - InnerRect().top));
}

void Container::ScrollPageDown() {
  ScrollBy(0, InnerRect().bottom - InnerRect().top);
}

void Container::ScrollHome() {
  SetScrollOffset({GetScrollOffset().cx, 0});
}

void Container::ScrollEnd() {
  SetScrollOffset({GetScrollOffset().cx, GetScrollExtent().cy});
}

void Container::ScrollLineLeft() {
  ScrollBy(-HorizontalLineStep(), 0);
}

void Container::ScrollLineRight() {
  ScrollBy(HorizontalLineStep(), 0);
}

void Container::ScrollPageLeft() {
  ScrollBy(-(InnerRect().right - InnerRect().left), 0);
}

void Container::ScrollPageRight() {
  ScrollBy(InnerRect().right - InnerRect().left, 0);
}

void Container::ScrollHomeLeft() {
  SetScrollOffset({0, GetScrollOffset().cy});
}

void Container::ScrollEndRight() {
  SetScrollOffset({GetScrollExtent().cx, GetScrollOffset().cy});
}

void Container::ShowScrollBars(bool vertical, bool horizontal) {
  auto update = [this](ScrollBar*& bar, bool wanted) {
    const bool isHorizontal = &bar == &horizontalBar_;
    if (!wanted && bar) {
      bar->Destroy();
      bar = nullptr;
    } else if (wanted && !bar) {
      bar = new ScrollBar;
      if (isHorizontal)
        bar->SetHorizontal(true);
      bar->SetOwner(this);
      bar->Attach(manager_, nullptr, /*initialize=*/false);
      if (manager_) {
        const wchar_t* defaults =
            manager_->GetDefaultAttributeList(isHorizontal ? L"HScrollBar" : L"VScrollBar");
        if (defaults)
          bar->ApplyAttributeList(defaults);
      }
    }
  };
  update(verticalBar_, vertical);
  update(horizontalBar_, horizontal);
  RequestLayout();
}

ScrollBar* Container::VerticalScrollBar() const {
  return verticalBar_;
}

ScrollBar* Container::HorizontalScrollBar() const {
  return horizontalBar_;
}

void Container::Relayout() {
  const bool wasInRelayout = inScrollRelayout_;
  inScrollRelayout_ = true;
  SetRect(floating_ && parent_ ? GetRelativeRect() : rect_, /*invalidate=*/true);
  inScrollRelayout_ = wasInRelayout;
}

// Shows a bar when the content overflows, hides it when it no longer does, and keeps its range
// equal to the overflow. Each change of visibility lays the container out again, which runs
// this once more for both bars with the new inner rectangle.
void Container::UpdateScrollBars(const RECT& inner, int neededWidth, int neededHeight) {
  struct Axis {
    ScrollBar* bar;
    int overflow;
  };
  const Axis axes[] = {
      {horizontalBar_, neededWidth - (inner.right - inner.left)},
      {verticalBar_, neededHeight - (inner.bottom - inner.top)},
  };
  for (const Axis& axis : axes) {
    ScrollBar* bar = axis.bar;
    if (!bar)
      continue;
    if (!bar->IsVisible()) {
      if (axis.overflow <= 0)
        continue;
      bar->SetVisible(true);
      bar->SetScrollRange(axis.overflow);
      bar->SetScrollPos(0, Notify::No);
      Relayout();
      return;
    }
    if (axis.overflow <= 0 && !inScrollRelayout_) {
      bar->SetVisible(false);
      bar->SetScrollPos(0, Notify::No);
      bar->SetScrollRange(0);
      Relayout();
      return;
    }
    bar->SetRect(ScrollBarPlace(bar, inner), /*invalidate=*/false);
    if (bar->GetScrollRange() != axis.overflow) {
      const int oldPosition = bar->GetScrollPos();
      bar->SetScrollRange(std::abs(axis.overflow));
      if (bar->GetScrollRange() == 0) {
        bar->SetVisible(false);
        bar->SetScrollPos(0, Notify::No);
      }
      if (bar->GetScrollPos() < oldPosition) {
        Relayout();
        return;
      }
    }
  }
}

}  // namespace ui
