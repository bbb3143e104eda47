#pragma once

#include <windows.h>

#include <vector>

#include "ui/core/accessible_description.h"

namespace ui {

class Control;

// What the application knows about its window that the controls cannot tell: the window's own
// role and, for a control, a role, name or value that differs from what the control gives.
class IAccessibleWindowDescriber {
 public:
  virtual long AccessibleWindowRole() const = 0;
  virtual void RefineAccessibleDescription(const Control& control,
                                           AccessibleDescription& description) const = 0;

 protected:
  ~IAccessibleWindowDescriber() = default;
};

// The accessible children of a control tree as they are at one moment, without a window: the
// controls with a role whose parents are visible (so the shown page's controls, a hidden button
// among them), in tree order, each known by its accessible id. Places are the controls'
// rectangles in the window's client pixels. The tree and the describer must outlive the object.
class AccessibleTree {
 public:
  // root may be null: no children then.
  AccessibleTree(Control* root, const IAccessibleWindowDescriber& describer);

  const std::vector<Control*>& Children() const { return children_; }
  // The child with that id; null when there is none.
  Control* ChildById(long childId) const;
  // The control's description, refined by the window's describer.
  AccessibleDescription Describe(const Control& control) const;
  // The child that accNavigate reaches from start (null for the window itself) in direction
  // (NAVDIR_*): the first or last child, the next or previous in tree order, or the nearest
  // shown child wholly on one side. Null when none lies there.
  Control* Navigate(const Control* start, long direction) const;
  // The shown child on top at point (later in the tree paints over earlier); null for none.
  Control* HitTest(POINT point) const;
  // Whether control is one of the children and shown.
  bool IsShownChild(const Control* control) const;

 private:
  const IAccessibleWindowDescriber& describer_;
  std::vector<Control*> children_;
};

}  // namespace ui
