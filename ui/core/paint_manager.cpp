#include "ui/core/paint_manager.h"

#include <algorithm>
#include <utility>

#include "base/rect_math.h"
#include "ui/core/control.h"
#include "ui/core/window_dpi.h"

namespace ui {
namespace {

template <typename T>
bool RemoveFirst(std::vector<T>& list, const T& value) {
  auto it = std::find(list.begin(), list.end(), value);
  if (it == list.end())
    return false;
  list.erase(it);
  return true;
}

template <typename T>
bool Contains(const std::vector<T>& list, const T& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

ObserverList<PaintManager*>& PaintManager::ManagerList() {
  static ObserverList<PaintManager*> managers;
  return managers;
}

PaintManager::PaintManager() = default;

PaintManager::~PaintManager() {
  DestroyDelayedCleanup();
  queuedNotifications_.clear();
  names_.clear();
  if (Control* root = std::exchange(root_, nullptr))
    root->Destroy();
  // The tree's destructors may have handed controls over for cleanup; no queue message will
  // come for them any more.
  DestroyDelayedCleanup();
  // Destroyed while a dispatch is under way, the controls were only retired: they go now, while
  // the manager they still call in their destructors exists.
  DispatchScope::DeleteRetiredOf(this);
  timers_.Clear();
  ManagerList().Remove(this);
}

std::vector<PaintManager*> PaintManager::AttachedManagers() {
  return ManagerList().Snapshot();
}

void PaintManager::AttachWindow(HWND window, std::wstring_view name) {
  names_.clear();
  resources_.ClearOwn();
  customWindowAttributes_.clear();
  optionGroups_.clear();
  timers_.Clear();
  name_ = name;
  if (window == window_)
    return;
  // A manager moved to another window gives the old window's DC back and keeps its one place in
  // the list; without a window it leaves the list.
  window_ = window;
  timerPlatform_.SetWindow(window_);
  resources_.SetMeasureDC(nullptr);
  windowDc_.Reset();
  if (!window_) {
    ManagerList().Remove(this);
    return;
  }
  windowDc_ = base::ScopedGetDC(window_);
  resources_.SetMeasureDC(windowDc_.Get());
  resources_.SetScale(DisplayScale(WindowDpi(window_)));
  if (!ManagerList().Contains(this))
    ManagerList().Add(this);
}

void PaintManager::DetachWindow() {
  if (!window_)
    return;
  // The window took its timers, its capture and its owned tooltip window with it.
  timers_.Forget();
  input_.OnWindowGone();
  queueMessagePosted_ = false;
  DropPaintBuffers();
  resources_.SetMeasureDC(nullptr);
  windowDc_.Reset();
  window_ = nullptr;
  timerPlatform_.SetWindow(nullptr);
  ManagerList().Remove(this);
}

bool PaintManager::AttachRoot(Control* root) {
  SetFocusControl(nullptr, PlatformFocus::Take);
  input_.ForgetTree();
  if (root_) {
    // A root that waits for cleanup (it was replaced a moment ago) is taken back, not destroyed.
    std::erase(delayedCleanup_, root);
    DestroyDelayedCleanup();
    queuedNotifications_.clear();
    names_.clear();
    postPaintControls_.Clear();
    nativeWindows_.clear();
    nativeWindowControls_.clear();
    // Attaching the current root again only registers it anew; it must not be destroyed.
    if (root_ != root)
      AddDelayedCleanup(root_);
  }
  root_ = root;
  firstLayout_ = true;
  updateNeeded_ = true;
  focusNeeded_ = true;
  return RegisterControls(root_, nullptr);
}

bool PaintManager::RegisterControls(Control* control, Control* parent) {
  if (!control)
    return false;
  // Initialising runs the controls' init hooks, which may destroy controls of the subtree.
  DispatchScope dispatch;
  control->Attach(this, parent ? parent : control->GetParent(), /*initialize=*/true);
  // Without flags the walk visits every control, children before their container, so a
  // container wins over a child of the same name.
  control->Find(
      [](Control* visited, void* data) -> Control* {
        auto* manager = static_cast<PaintManager*>(data);
        std::wstring name = visited->GetName();
        if (!name.empty() && visited->IsAlive())
          manager->names_[std::move(name)] = visited;
        return nullptr;
      },
      this, 0);
  return true;
}

Control* PaintManager::FindControlByName(std::wstring_view name) const {
  auto it = names_.find(name);
  return it == names_.end() ? nullptr : it->second;
}

Control* PaintManager::FindControlAt(POINT point) const {
  if (!root_)
    return nullptr;
  return root_->Find(
      [](Control* visited, void* data) -> Control* {
        return base::RectContains(visited->GetRect(), *static_cast<POINT*>(data)) ? visited
                                                                                  : nullptr;
      },
      &point, FindVisible | FindHitTest | FindTopFirst);
}

// Control::SetName stores the new name before it calls here, so a registered control keeps the
// name it was registered under; ForgetControl therefore looks its entry up by control.
bool PaintManager::RenameControl(Control* control, std::wstring_view name) {
  if (!control || control->GetManager() != this || name.empty())
    return false;
  const std::wstring oldName = control->GetName();
  if (oldName == name)
    return true;
  if (names_.find(name) != names_.end())
    return false;
  auto old = names_.find(oldName);
  if (old != names_.end() && old->second == control)
    names_.erase(old);
  names_.emplace(std::wstring(name), control);
  control->SetName(name);
  return true;
}

void PaintManager::ForgetControl(Control* control) {
  if (!control)
    return;
  input_.Forget(control);
  if (focus_ == control)
    focus_ = nullptr;
  timers_.StopAll(control);
  // Every entry that maps to the control goes: a control renamed after registration is still
  // registered under its earlier name.
  for (auto it = names_.begin(); it != names_.end();) {
    if (it->second == control)
      it = names_.erase(it);
    else
      ++it;
  }
  for (Notification& queued : queuedNotifications_) {
    if (queued.sender == control)
      queued.sender = nullptr;
  }
  // The lists below are kept by the controls themselves; a control that goes without removing
  // itself must still not stay behind in them.
  postPaintControls_.RemoveAll(control);
  std::erase(delayedCleanup_, control);
  for (auto it = optionGroups_.begin(); it != optionGroups_.end();) {
    std::erase(it->second, control);
    if (it->second.empty())
      it = optionGroups_.erase(it);
    else
      ++it;
  }
  for (size_t i = nativeWindowControls_.size(); i-- > 0;) {
    if (nativeWindowControls_[i] == control) {
      nativeWindowControls_.erase(nativeWindowControls_.begin() + i);
      nativeWindows_.erase(nativeWindows_.begin() + i);
    }
  }
}

bool PaintManager::AddOptionGroup(std::wstring_view group, Control* control) {
  if (group.empty() || !control)
    return false;
  auto it = optionGroups_.find(group);
  if (it == optionGroups_.end()) {
    it = optionGroups_.emplace(std::wstring(group), std::vector<Control*>()).first;
    it->second.reserve(6);
  } else if (Contains(it->second, control)) {
    return false;
  }
  it->second.push_back(control);
  return true;
}

const std::vector<Control*>* PaintManager::GetOptionGroup(std::wstring_view group) const {
  auto it = optionGroups_.find(group);
  return it == optionGroups_.end() ? nullptr : &it->second;
}

void PaintManager::RemoveOptionGroup(std::wstring_view group, Control* control) {
  auto it = optionGroups_.find(group);
  if (it == optionGroups_.end())
    return;
  RemoveFirst(it->second, control);
  if (it->second.empty())
    optionGroups_.erase(it);
}

bool PaintManager::AddNativeWindow(Control* control, HWND nativeWindow) {
  if (!control || !nativeWindow)
    return false;
  RECT area;
  if (window_ && ::GetWindowRect(nativeWindow, &area)) {
    ::MapWindowPoints(HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&area), 2);
    Invalidate(area);
  }
  if (Contains(nativeWindows_, nativeWindow))
    return false;
  nativeWindows_.push_back(nativeWindow);
  nativeWindowControls_.push_back(control);
  return true;
}

bool PaintManager::RemoveNativeWindow(HWND nativeWindow) {
  auto it = std::find(nativeWindows_.begin(), nativeWindows_.end(), nativeWindow);
  if (it == nativeWindows_.end())
    return false;
  nativeWindowControls_.erase(nativeWindowControls_.begin() + (it - nativeWindows_.begin()));
  nativeWindows_.erase(it);
  return true;
}

// A control listed twice would be destroyed twice.
void PaintManager::AddDelayedCleanup(Control* control) {
  if (!control || Contains(delayedCleanup_, control))
    return;
  control->Attach(this, nullptr, /*initialize=*/false);
  delayedCleanup_.push_back(control);
  PostQueueMessage();
}

void PaintManager::DestroyDelayedCleanup() {
  // One at a time from the list itself, until it stays empty: a destructor may schedule more
  // cleanup, and a control that another one's destructor destroys leaves the list through
  // ForgetControl instead of being destroyed twice.
  while (!delayedCleanup_.empty()) {
    Control* control = delayedCleanup_.front();
    delayedCleanup_.erase(delayedCleanup_.begin());
    control->Destroy();
  }
}

void PaintManager::Invalidate(const RECT& rect) {
  RECT area = rect;
  area.left = std::max<LONG>(area.left, 0);
  area.top = std::max<LONG>(area.top, 0);
  area.right = std::max(area.right, area.left);
  area.bottom = std::max(area.bottom, area.top);
  if (layered_.CollectDirty(area))
    return;
  // A failed invalidation only loses a repaint that the next full paint makes anyway.
  if (window_)
    ::InvalidateRect(window_, &area, FALSE);
}

void PaintManager::InvalidateAll() {
  if (!window_)
    return;
  RECT client;
  if (!::GetClientRect(window_, &client))
    return;
  Invalidate(client);
}

bool PaintManager::RunLayoutPass(const RECT& clientRect) {
  if (!updateNeeded_ || !root_)
    return false;
  // The size hooks may destroy controls that are still to be laid out, or the root.
  DispatchScope dispatch;
  updateNeeded_ = false;
  if (base::IsRectEmpty(clientRect))
    return false;
  bool rootLaidOut = false;
  if (root_->IsLayoutNeeded()) {
    root_->SetRect(clientRect, /*invalidate=*/true);
    rootLaidOut = true;
  } else {
    // The walk stops below each control that needs layout: laying it out places its subtree.
    foundControls_.clear();
    root_->Find(
        [](Control* visited, void* data) -> Control* {
          if (!visited->IsLayoutNeeded())
            return nullptr;
          static_cast<std::vector<Control*>*>(data)->push_back(visited);
          return visited;
        },
        &foundControls_, FindMeFirst | FindVisible | FindUpdateTest);
    const std::vector<Control*> found = std::move(foundControls_);
    foundControls_.clear();
    for (Control* control : found) {
      if (!control->IsAlive())
        continue;
      if (control->IsFloat())
        control->SetRect(control->GetRelativeRect(), /*invalidate=*/true);
      else
        control->SetRect(control->GetRect(), /*invalidate=*/true);
    }
  }
  if (firstLayout_ && root_) {
    firstLayout_ = false;
    SendNotification(root_, L"windowinit");
  }
  return rootLaidOut;
}

void PaintManager::AddPostPaint(Control* control) {
  if (control)
    postPaintControls_.Add(control);
}

bool PaintManager::RemovePostPaint(Control* control) {
  return postPaintControls_.Remove(control);
}

}  // namespace ui
