#pragma once

#include <vector>

#include "ui/core/control.h"

namespace ui {

class ScrollBar;

// The child list of a container, as other code sees it.
class IContainer {
 public:
  virtual Control* ItemAt(int index) const = 0;
  virtual int IndexOf(Control* control) const = 0;
  virtual bool MoveItem(Control* control, int newIndex) = 0;
  virtual bool MoveItems(Control* first, int count, int newIndex) = 0;
  virtual int Count() const = 0;
  virtual bool Add(Control* control) = 0;
  virtual bool Insert(Control* control, int index) = 0;
  // keepAlive leaves the removed child to the caller instead of destroying it.
  virtual bool Remove(Control* control, bool keepAlive = false) = 0;
  virtual bool RemoveAt(int index, bool keepAlive = false) = 0;
  virtual void Clear() = 0;

 protected:
  ~IContainer() = default;
};

// A control with children, which by default all fill its inner area (its rectangle less the
// inset and any visible scroll bar). Children are owned unless ownsItems is switched off; their
// order is the order of layout and painting. The scroll bars are owned as well.
class Container : public Control, public IContainer {
 public:
  Container();
  ~Container() override;

  // IContainer.
  Control* ItemAt(int index) const override;
  int IndexOf(Control* control) const override;
  bool MoveItem(Control* control, int newIndex) override;
  bool MoveItems(Control* first, int count, int newIndex) override;
  int Count() const override;
  bool Add(Control* control) override;
  bool Insert(Control* control, int index) override;
  bool Remove(Control* control, bool keepAlive = false) override;
  bool RemoveAt(int index, bool keepAlive = false) override;
  void Clear() override;

  // Control.
  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  void Attach(PaintManager* manager, Control* parent, bool initialize) override;
  RECT GetClientRect() const override;
  void SetRect(const RECT& rect, bool invalidate) override;
  void Offset(int dx, int dy, bool invalidate) override;
  void SetVisible(bool visible) override;
  void SetInheritedVisible(bool visible) override;
  void SetMouseEnabled(bool enabled) override;
  Control* Find(FindVisitor visitor, void* data, uint32_t flags) override;
  void OnEvent(ControlEvent& event) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  bool PaintSelf(HDC dc, const RECT& dirty, Control* stopAt) override;

  virtual SkinRect GetInset() const;
  virtual void SetInset(const SkinRect& inset);
  virtual SkinLength GetChildPadding() const;
  virtual void SetChildPadding(SkinLength padding);
  virtual int GetChildAlign() const;
  virtual void SetChildAlign(int align);
  virtual int GetChildVAlign() const;
  virtual void SetChildVAlign(int align);
  virtual bool OwnsItems() const;
  virtual void SetOwnsItems(bool owns);
  virtual bool DefersItemDeletion() const;
  virtual void SetDefersItemDeletion(bool defers);
  virtual bool IsMouseChildEnabled() const;
  virtual void SetMouseChildEnabled(bool enabled);
  virtual int FindSelectableItem(int start, bool forward) const;
  // (horizontal, vertical); 0 for a missing or hidden bar.
  virtual SIZE GetScrollOffset() const;
  virtual SIZE GetScrollExtent() const;
  virtual void SetScrollOffset(SIZE offset);
  virtual void ScrollLineUp();
  virtual void ScrollLineDown();
  virtual void ScrollPageUp();
  virtual void ScrollPageDown();
  virtual void ScrollHome();
  virtual void ScrollEnd();
  virtual void ScrollLineLeft();
  virtual void ScrollLineRight();
  virtual void ScrollPageLeft();
  virtual void ScrollPageRight();
  virtual void ScrollHomeLeft();
  virtual void ScrollEndRight();
  virtual void ShowScrollBars(bool vertical, bool horizontal);
  virtual ScrollBar* VerticalScrollBar() const;
  virtual ScrollBar* HorizontalScrollBar() const;
  virtual void PlaceFloatingItem(int index);
  virtual void UpdateScrollBars(const RECT& inner, int neededWidth, int neededHeight);

 protected:
  // The children, the scroll bars, then the overlay.
  std::vector<Control*> HeldInTeardownOrder() const override;
  // Owned children and the bars are let go of; children not owned are kept (and only dropped).
  bool LetGo(Control* held) override;

  // The rectangle less inset and visible scroll bars, where the flow of children goes: the one
  // place where both are taken off.
  RECT InnerRect() const;
  // Where bar goes beside inner: the vertical bar along its right edge, the horizontal one along
  // its bottom edge, each as thick as its fixed size.
  RECT ScrollBarPlace(const ScrollBar* bar, const RECT& inner) const;
  // Gives every visible child the inner rectangle (shifted by the scroll offsets); floating
  // children go to their float positions.
  void PlaceItems();
  // Lays the container out again at its own place, as the scroll bars require.
  void Relayout();
  // Destroys a removed child now or, when the manager may still be using it, later.
  void DisposeOf(Control* child);
  // Whether child is still alive and one of the children: a walk over a copy of the children
  // passes over those that a call out removed or destroyed.
  bool Holds(const Control* child) const;
  // Walks the children as they are when the walk begins: hidden ones are passed over, floating
  // ones go to their float positions, and every other child is handed to placeFlowing. A
  // child's size hooks may remove or destroy children, or this container: the walk keeps to the
  // children still here. Returns whether this container is still alive afterwards.
  template <typename PlaceFlowing>
  bool PlaceChildren(PlaceFlowing&& placeFlowing);
  bool IsBarShown(const ScrollBar* bar) const;
  int VerticalLineStep() const;
  int HorizontalLineStep() const;
  // Moves one bar by delta along its axis (clamped by the bar).
  void ScrollBy(int dx, int dy);

  std::vector<Control*> items_;
  SkinRect inset_;
  SkinLength childPadding_;
  int childAlign_ = 0;   // DT_LEFT, DT_CENTER or DT_RIGHT
  int childVAlign_ = 0;  // DT_TOP, DT_VCENTER or DT_BOTTOM
  bool ownsItems_ = true;
  bool deferItemDeletion_ = true;
  bool mouseChild_ = true;
  bool inScrollRelayout_ = false;
  ScrollBar* verticalBar_ = nullptr;
  ScrollBar* horizontalBar_ = nullptr;
};

template <typename PlaceFlowing>
bool Container::PlaceChildren(PlaceFlowing&& placeFlowing) {
  const std::vector<Control*> children = items_;
  for (Control* child : children) {
    if (!IsAlive())
      return false;
    if (!Holds(child) || !child->IsVisible())
      continue;
    if (child->IsFloat())
      PlaceFloatingItem(IndexOf(child));
    else
      placeFlowing(child);
  }
  return IsAlive();
}

}  // namespace ui
