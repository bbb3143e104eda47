#include "ui/controls/container.h"

#include <algorithm>
#include <utility>

#include "base/attribute_values.h"
#include "base/rect_math.h"
#include "ui/controls/scroll_bar.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

// Undoes a clip of the render engine when it goes out of scope.
class ScopedClip {
 public:
  explicit ScopedClip(ClipState state) : state_(std::move(state)) {}
  ~ScopedClip() { RenderEngine::RestoreClip(state_); }
  ScopedClip(const ScopedClip&) = delete;
  ScopedClip& operator=(const ScopedClip&) = delete;
  const ClipState& State() const { return state_; }

 private:
  ClipState state_;
};

}  // namespace

Container::Container() = default;

// Children go at once: the manager that would clean them up later may be going away too.
Container::~Container() {
  deferItemDeletion_ = false;
  DestroyHeld();
  RequestLayout();
}

std::vector<Control*> Container::HeldInTeardownOrder() const {
  std::vector<Control*> held = items_;
  for (ScrollBar* bar : {verticalBar_, horizontalBar_}) {
    if (bar)
      held.push_back(bar);
  }
  for (Control* overlay : Control::HeldInTeardownOrder())
    held.push_back(overlay);
  return held;
}

bool Container::LetGo(Control* held) {
  if (const auto item = std::find(items_.begin(), items_.end(), held); item != items_.end()) {
    items_.erase(item);
    return ownsItems_;
  }
  for (ScrollBar** bar : {&verticalBar_, &horizontalBar_}) {
    if (*bar == held) {
      *bar = nullptr;
      return true;
    }
  }
  return Control::LetGo(held);
}

Control* Container::ItemAt(int index) const {
  if (index < 0 || index >= Count())
    return nullptr;
  return items_[index];
}

int Container::IndexOf(Control* control) const {
  auto it = std::find(items_.begin(), items_.end(), control);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

bool Container::MoveItem(Control* control, int newIndex) {
  const int index = IndexOf(control);
  if (index < 0)
    return false;
  RequestLayout();
  items_.erase(items_.begin() + index);
  newIndex = std::clamp(newIndex, 0, Count());
  items_.insert(items_.begin() + newIndex, control);
  return true;
}

bool Container::MoveItems(Control* first, int count, int newIndex) {
  if (!first || count < 0 || newIndex < 0)
    return false;
  const int start = IndexOf(first);
  if (start < 0)
    return false;
  if (start == newIndex)
    return true;
  if (start + count > Count() || newIndex + count > Count())
    return false;
  std::vector<Control*> run(items_.begin() + start, items_.begin() + start + count);
  items_.erase(items_.begin() + start, items_.begin() + start + count);
  items_.insert(items_.begin() + newIndex, run.begin(), run.end());
  RequestLayout();
  return true;
}

int Container::Count() const {
  return static_cast<int>(items_.size());
}

bool Container::Add(Control* control) {
  return Container::Insert(control, Count());
}

bool Container::Insert(Control* control, int index) {
  if (!control || index < 0 || index > Count())
    return false;
  if (manager_)
    manager_->RegisterControls(control, this);
  if (IsVisible())
    RequestLayout();
  else
    control->SetInheritedVisible(false);
  items_.insert(items_.begin() + index, control);
  return true;
}

bool Container::Remove(Control* control, bool keepAlive) {
  const int index = IndexOf(control);
  if (index < 0)
    return false;
  RequestLayout();
  items_.erase(items_.begin() + index);
  if (!keepAlive && ownsItems_)
    DisposeOf(control);
  return true;
}

bool Container::RemoveAt(int index, bool keepAlive) {
  return Remove(ItemAt(index), keepAlive);
}

void Container::Clear() {
  std::vector<Control*> removed;
  removed.swap(items_);
  if (ownsItems_) {
    for (Control* child : removed)
      DisposeOf(child);
  }
  RequestLayout();
}

void Container::DisposeOf(Control* child) {
  if (deferItemDeletion_ && manager_)
    manager_->AddDelayedCleanup(child);
  else
    child->Destroy();
}

const wchar_t* Container::GetClassName() const {
  return L"Container";
}

void* Container::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"IContainer")
    return static_cast<IContainer*>(this);
  if (interfaceName == L"Container")
    return this;
  return Control::CastTo(interfaceName);
}

void Container::Attach(PaintManager* manager, Control* parent, bool initialize) {
  // Initialising a child runs its hooks, which may add, remove or destroy children.
  DispatchScope dispatch;
  const std::vector<Control*> children = items_;
  for (Control* child : children) {
    if (Holds(child))
      child->Attach(manager, this, initialize);
  }
  if (verticalBar_)
    verticalBar_->Attach(manager, this, initialize);
  if (horizontalBar_)
    horizontalBar_->Attach(manager, this, initialize);
  Control::Attach(manager, parent, initialize);
}

bool Container::Holds(const Control* child) const {
  return child->IsAlive() && std::find(items_.begin(), items_.end(), child) != items_.end();
}

bool Container::IsBarShown(const ScrollBar* bar) const {
  return bar && bar->IsVisible();
}

RECT Container::InnerRect() const {
  const RECT inset = Scale().Rect(inset_);
  RECT inner = {rect_.left + inset.left, rect_.top + inset.top, rect_.right - inset.right,
                rect_.bottom - inset.bottom};
  if (IsBarShown(verticalBar_))
    inner.right -= verticalBar_->ScaledFixedWidth();
  if (IsBarShown(horizontalBar_))
    inner.bottom -= horizontalBar_->ScaledFixedHeight();
  return inner;
}

RECT Container::ScrollBarPlace(const ScrollBar* bar, const RECT& inner) const {
  if (bar == verticalBar_)
    return {inner.right, inner.top, inner.right + bar->ScaledFixedWidth(), inner.bottom};
  return {inner.left, inner.bottom, inner.right, inner.bottom + bar->ScaledFixedHeight()};
}

RECT Container::GetClientRect() const {
  return InnerRect();
}

void Container::SetRect(const RECT& rect, bool invalidate) {
  // The size hooks may destroy the control: the rest of the layout is then skipped.
  DispatchScope dispatch;
  Control::SetRect(rect, invalidate);
  if (!IsAlive())
    return;
  PlaceItems();
}

void Container::PlaceItems() {
  if (items_.empty())
    return;
  // The flow area is the whole scrollable content, shifted by the scroll offsets.
  RECT inner = InnerRect();
  if (IsBarShown(verticalBar_)) {
    inner.top -= verticalBar_->GetScrollPos();
    inner.bottom += verticalBar_->GetScrollRange() - verticalBar_->GetScrollPos();
  }
  if (IsBarShown(horizontalBar_)) {
    inner.left -= horizontalBar_->GetScrollPos();
    inner.right += horizontalBar_->GetScrollRange() - horizontalBar_->GetScrollPos();
  }
  PlaceChildren([&inner](Control* child) {
    const int width =
        std::clamp<int>(inner.right - inner.left, child->ScaledMinWidth(), child->ScaledMaxWidth());
    const int height = std::clamp<int>(inner.bottom - inner.top, child->ScaledMinHeight(),
                                       child->ScaledMaxHeight());
    child->SetRect({inner.left, inner.top, inner.left + width, inner.top + height},
                   /*invalidate=*/false);
  });
}

void Container::PlaceFloatingItem(int index) {
  Control* child = ItemAt(index);
  if (!child || !child->IsVisible() || !child->IsFloat())
    return;
  // Relative to this container: the child's own SetRect adds our top-left corner.
  child->SetRect(child->FloatPlacement(rect_.right - rect_.left, rect_.bottom - rect_.top),
                 /*invalidate=*/false);
}

void Container::Offset(int dx, int dy, bool invalidate) {
  Control::Offset(dx, dy, invalidate);
  if (IsBarShown(verticalBar_))
    verticalBar_->Offset(dx, dy, /*invalidate=*/false);
  if (IsBarShown(horizontalBar_))
    horizontalBar_->Offset(dx, dy, /*invalidate=*/false);
  for (Control* child : items_) {
    if (child->IsVisible())
      child->Offset(dx, dy, /*invalidate=*/false);
  }
}

void Container::SetVisible(bool visible) {
  if (visible_ == visible)
    return;
  DispatchScope dispatch;
  Control::SetVisible(visible);
  // A child that loses the focus tells the listeners, who may change the children.
  const std::vector<Control*> children = items_;
  for (Control* child : children) {
    if (IsAlive() && Holds(child))
      child->SetInheritedVisible(IsVisible());
  }
}

void Container::SetInheritedVisible(bool visible) {
  DispatchScope dispatch;
  Control::SetInheritedVisible(visible);
  const std::vector<Control*> children = items_;
  for (Control* child : children) {
    if (IsAlive() && Holds(child))
      child->SetInheritedVisible(IsVisible());
  }
}

void Container::SetMouseEnabled(bool enabled) {
  if (verticalBar_)
    verticalBar_->SetMouseEnabled(enabled);
  if (horizontalBar_)
    horizontalBar_->SetMouseEnabled(enabled);
  Control::SetMouseEnabled(enabled);
}

Control* Container::Find(FindVisitor visitor, void* data, uint32_t flags) {
  const bool hitTest = (flags & FindHitTest) != 0;
  if ((flags & FindVisible) && !IsVisible())
    return nullptr;
  if ((flags & FindEnabled) && !IsEnabled())
    return nullptr;
  if (hitTest && !base::RectContains(rect_, *static_cast<const POINT*>(data)))
    return nullptr;
  if ((flags & FindUpdateTest) && visitor(this, data))
    return nullptr;

  const bool selfVisitable = !hitTest || IsMouseEnabled();
  const bool childrenVisitable = !hitTest || mouseChild_;
  if ((flags & FindMeFirst) && selfVisitable) {
    if (Control* found = visitor(this, data))
      return found;
  }
  if (overlay_ && childrenVisitable) {
    if (Control* found = overlay_->Find(visitor, data, flags))
      return found;
  }
  if (selfVisitable) {
    for (ScrollBar* bar : {verticalBar_, horizontalBar_}) {
      if (!bar)
        continue;
      if (Control* found = bar->Find(visitor, data, flags))
        return found;
    }
  }
  if (childrenVisitable) {
    const RECT inner = InnerRect();
    // A hit on a flowing child only counts inside the inner area: what a child shows beyond it
    // is clipped away.
    auto findIn = [&](Control* child) -> Control* {
      Control* found = child->Find(visitor, data, flags);
      if (found && hitTest && !child->IsFloat() &&
          !base::RectContains(inner, *static_cast<const POINT*>(data))) {
        return nullptr;
      }
      return found;
    };
    if (flags & FindTopFirst) {
      for (int i = Count() - 1; i >= 0; --i) {
        if (i >= Count())
          continue;
        if (Control* found = findIn(items_[i]))
          return found;
      }
    } else {
      for (int i = 0; i < Count(); ++i) {
        if (Control* found = findIn(items_[i]))
          return found;
      }
    }
  }
  if (!(flags & FindMeFirst) && selfVisitable)
    return visitor(this, data);
  return nullptr;
}

void Container::OnEvent(ControlEvent& event) {
  const bool verticalUsable = IsBarShown(verticalBar_) && verticalBar_->IsEnabled();
  const bool horizontalUsable = IsBarShown(horizontalBar_) && horizontalBar_->IsEnabled();
  switch (event.kind) {
    case ControlEventKind::SetFocus:
    case ControlEventKind::KillFocus:
      focused_ = event.kind == ControlEventKind::SetFocus;
      return;
    case ControlEventKind::KeyDown:
      if (IsKeyboardEnabled() && IsEnabled() && (verticalUsable || horizontalUsable)) {
        const bool vertical = verticalUsable;
        switch (event.keyChar) {
          case VK_PRIOR:
            vertical ? ScrollPageUp() : ScrollPageLeft();
            return;
          case VK_NEXT:
            vertical ? ScrollPageDown() : ScrollPageRight();
            return;
          case VK_END:
            vertical ? ScrollEnd() : ScrollEndRight();
            return;
          case VK_HOME:
            vertical ? ScrollHome() : ScrollHomeLeft();
            return;
          case VK_UP:
            vertical ? ScrollLineUp() : ScrollLineLeft();
            return;
          case VK_DOWN:
            vertical ? ScrollLineDown() : ScrollLineRight();
            return;
        }
      }
      break;
    case ControlEventKind::ScrollWheel: {
      const bool down = LOWORD(event.wParam) == 1;
      if (horizontalUsable && base::RectContains(horizontalBar_->GetRect(), event.mousePoint)) {
        down ? ScrollLineRight() : ScrollLineLeft();
        return;
      }
      if (verticalUsable) {
        down ? ScrollLineDown() : ScrollLineUp();
        return;
      }
      if (horizontalUsable) {
        down ? ScrollLineRight() : ScrollLineLeft();
        return;
      }
      break;
    }
    default:
      break;
  }
  Control::OnEvent(event);
}

void Container::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"inset") {
    SetInset(SkinRect(base::attribute::ParseRect(value)));
  } else if (name == L"mousechild") {
    SetMouseChildEnabled(base::attribute::ParseBool(value));
  } else if (name == L"vscrollbar") {
    ShowScrollBars(base::attribute::ParseBool(value), horizontalBar_ != nullptr);
  } else if (name == L"vscrollbarstyle") {
    ShowScrollBars(/*vertical=*/true, horizontalBar_ != nullptr);
    verticalBar_->ApplyAttributeList(value);
  } else if (name == L"hscrollbar") {
    ShowScrollBars(verticalBar_ != nullptr, base::attribute::ParseBool(value));
  } else if (name == L"hscrollbarstyle") {
    ShowScrollBars(verticalBar_ != nullptr, /*horizontal=*/true);
    horizontalBar_->ApplyAttributeList(value);
  } else if (name == L"childpadding") {
    SetChildPadding(SkinLength(base::attribute::ParseInt(value)));
  } else if (name == L"childalign") {
    if (value == L"left")
      childAlign_ = DT_LEFT;
    else if (value == L"center")
      childAlign_ = DT_CENTER;
    else if (value == L"right")
      childAlign_ = DT_RIGHT;
  } else if (name == L"childvalign") {
    if (value == L"top")
      childVAlign_ = DT_TOP;
    else if (value == L"vcenter")
      childVAlign_ = DT_VCENTER;
    else if (value == L"bottom")
      childVAlign_ = DT_BOTTOM;
  } else {
    Control::SetAttribute(name, value);
  }
}

bool Container::PaintSelf(HDC dc, const RECT& dirty, Control* stopAt) {
  RECT area;
  if (!base::IntersectRects(dirty, rect_, area))
    return true;
  ScopedClip clip(RenderEngine::RectClip(dc, area));
  Control::PaintSelf(dc, dirty, stopAt);

  if (!items_.empty()) {
    const RECT inner = InnerRect();
    RECT innerDirty;
    if (!base::IntersectRects(dirty, inner, innerDirty)) {
      // Only floating children can reach into a dirty area outside the inner rectangle. A
      // child's paint hooks may remove or destroy children: the walk keeps to those still here.
      const std::vector<Control*> children = items_;
      for (Control* child : children) {
        if (!Holds(child))
          continue;
        if (child == stopAt)
          return false;
        if (!child->IsVisible() || !base::RectsMeet(dirty, child->GetRect()) ||
            !base::RectsMeet(rect_, child->GetRect())) {
          continue;
        }
        if (!child->Paint(dc, dirty, stopAt))
          return false;
      }
    } else {
      ScopedClip childClip(RenderEngine::RectClip(dc, innerDirty));
      const std::vector<Control*> children = items_;
      for (Control* child : children) {
        if (!Holds(child))
          continue;
        if (child == stopAt)
          return false;
        if (!child->IsVisible() || !base::RectsMeet(dirty, child->GetRect()))
          continue;
        bool painted;
        if (child->IsFloat()) {
          // A floating child may lie over the inset, so it paints under the outer clip.
          if (!base::RectsMeet(rect_, child->GetRect()))
            continue;
          RenderEngine::UseOuterClipBegin(dc, childClip.State());
          painted = child->Paint(dc, dirty, stopAt);
          RenderEngine::UseOuterClipEnd(dc, childClip.State());
        } else {
          if (!base::RectsMeet(inner, child->GetRect()))
            continue;
          painted = child->Paint(dc, dirty, stopAt);
        }
        if (!painted)
          return false;
      }
    }
  }

  for (ScrollBar* bar : {verticalBar_, horizontalBar_}) {
    if (!bar)
      continue;
    if (bar == stopAt)
      return false;
    if (bar->IsVisible() && base::RectsMeet(dirty, bar->GetRect()) &&
        !bar->Paint(dc, dirty, stopAt))
      return false;
  }
  return true;
}

SkinRect Container::GetInset() const {
  return inset_;
}

void Container::SetInset(const SkinRect& inset) {
  inset_ = inset;
  RequestLayout();
}

SkinLength Container::GetChildPadding() const {
  return childPadding_;
}

void Container::SetChildPadding(SkinLength padding) {
  childPadding_ = std::max(padding, SkinLength(0));
  RequestLayout();
}

int Container::GetChildAlign() const {
  return childAlign_;
}

void Container::SetChildAlign(int align) {
  childAlign_ = align;
  RequestLayout();
}

int Container::GetChildVAlign() const {
  return childVAlign_;
}

void Container::SetChildVAlign(int align) {
  childVAlign_ = align;
  RequestLayout();
}

bool Container::OwnsItems() const {
  return ownsItems_;
}

void Container::SetOwnsItems(bool owns) {
  ownsItems_ = owns;
}

bool Container::DefersItemDeletion() const {
  return deferItemDeletion_;
}

void Container::SetDefersItemDeletion(bool defers) {
  deferItemDeletion_ = defers;
}

bool Container::IsMouseChildEnabled() const {
  return mouseChild_;
}

void Container::SetMouseChildEnabled(bool enabled) {
  mouseChild_ = enabled;
}

// Selectable items are list items, which plain containers never hold.
int Container::FindSelectableItem(int, bool) const {
  return -1;
}

}  // namespace ui
