#include "ui/core/accessible_tree.h"

#include <oleacc.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <utility>

#include "ui/core/control.h"

namespace ui {
namespace {

POINT Center(const RECT& rect) {
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// Whether candidate lies wholly beyond from in a spatial direction of accNavigate.
bool LiesBeyond(const RECT& from, const RECT& candidate, long direction) {
  switch (direction) {
    case NAVDIR_UP:
      return candidate.bottom <= from.top;
    case NAVDIR_DOWN:
      return candidate.top >= from.bottom;
    case NAVDIR_LEFT:
      return candidate.right <= from.left;
    case NAVDIR_RIGHT:
      return candidate.left >= from.right;
    default:
      return false;
  }
}

struct Collector {
  const AccessibleTree* tree;
  std::vector<Control*>* children;

  static Control* Visit(Control* control, void* data) {
    auto* collector = static_cast<Collector*>(data);
    const Control* parent = control->GetParent();
    if (parent && !parent->IsVisible())
      return nullptr;
    if (collector->tree->Describe(*control).role != 0)
      collector->children->push_back(control);
    return nullptr;
  }
};

}  // namespace

AccessibleTree::AccessibleTree(Control* root, const IAccessibleWindowDescriber& describer)
    : describer_(describer) {
  if (!root)
    return;
  Collector collector{this, &children_};
  root->Find(Collector::Visit, &collector, FindMeFirst);
}

Control* AccessibleTree::ChildById(long childId) const {
  for (Control* child : children_) {
    if (child->GetAccessibleId() == childId)
      return child;
  }
  return nullptr;
}

AccessibleDescription AccessibleTree::Describe(const Control& control) const {
  AccessibleDescription description;
  control.DescribeAccessible(description);
  describer_.RefineAccessibleDescription(control, description);
  return description;
}

Control* AccessibleTree::Navigate(const Control* start, long direction) const {
  if (children_.empty())
    return nullptr;
  if (!start) {
    if (direction == NAVDIR_FIRSTCHILD)
      return children_.front();
    if (direction == NAVDIR_LASTCHILD)
      return children_.back();
    return nullptr;
  }
  const auto found = std::find(children_.begin(), children_.end(), start);
  if (found == children_.end())
    return nullptr;
  if (direction == NAVDIR_NEXT)
    return found + 1 != children_.end() ? *(found + 1) : nullptr;
  if (direction == NAVDIR_PREVIOUS)
    return found != children_.begin() ? *(found - 1) : nullptr;
  // Spatially: among the shown children wholly on that side, the nearest row or column (the
  // gap between the edges), and in it the one closest across (the centres' offset).
  const RECT from = start->GetRect();
  const POINT fromCenter = Center(from);
  const bool vertical = direction == NAVDIR_UP || direction == NAVDIR_DOWN;
  Control* nearest = nullptr;
  std::pair<long, long> nearestDistance = {LONG_MAX, LONG_MAX};
  for (Control* candidate : children_) {
    const RECT rect = candidate->GetRect();
    if (candidate == start || !candidate->IsVisible() || !LiesBeyond(from, rect, direction))
      continue;
    const POINT center = Center(rect);
    const std::pair<long, long> distance =
        vertical ? std::make_pair(std::max(rect.top - from.bottom, from.top - rect.bottom),
                                  std::labs(center.x - fromCenter.x))
                 : std::make_pair(std::max(rect.left - from.right, from.left - rect.right),
                                  std::labs(center.y - fromCenter.y));
    if (distance < nearestDistance) {
      nearestDistance = distance;
      nearest = candidate;
    }
  }
  return nearest;
}

Control* AccessibleTree::HitTest(POINT point) const {
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    if ((*it)->IsVisible() && ::PtInRect(&(*it)->GetRect(), point))
      return *it;
  }
  return nullptr;
}

bool AccessibleTree::IsShownChild(const Control* control) const {
  return control && control->IsVisible() &&
         std::find(children_.begin(), children_.end(), control) != children_.end();
}

}  // namespace ui
