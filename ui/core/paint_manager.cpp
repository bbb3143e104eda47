#include "ui/core/paint_manager.h"

#include <algorithm>

#include "ui/controls/control.h"
#include "ui/controls/rect_math.h"

namespace ui {
namespace {

// Drains the notification queue and the delayed-cleanup list.
constexpr UINT kQueueMessage = WM_APP + 1;

// The default attribute lists that every window of the process sees.
std::map<std::wstring, std::wstring, std::less<>>& SharedDefaultAttributeLists() {
  static std::map<std::wstring, std::wstring, std::less<>> lists;
  return lists;
}

const FontInfo& SharedDefaultFont() {
  static const FontInfo font;
  return font;
}

template <typename T>
bool RemoveFirst(std::vector<T>& list, const T& value) {
  auto it = std::find(list.begin(), list.end(), value);
  if (it == list.end())
    return false;
  list.erase(it);
  return true;
}

}  // namespace

PaintManager::PaintManager() = default;

PaintManager::~PaintManager() {
  for (Control* control : delayedCleanup_)
    control->Destroy();
  delayedCleanup_.clear();
  queuedNotifications_.clear();
  names_.clear();
  if (root_) {
    Control* root = root_;
    root_ = nullptr;
    root->Destroy();
  }
}

void PaintManager::AttachWindow(HWND window, std::wstring_view name) {
  names_.clear();
  defaultAttributeLists_.clear();
  name_ = name;
  window_ = window;
}

bool PaintManager::AttachRoot(Control* root) {
  SetFocusControl(nullptr, true);
  keyControl_ = nullptr;
  hover_ = nullptr;
  pressed_ = nullptr;
  lastToolTipControl_ = nullptr;
  if (root_) {
    for (Control* control : delayedCleanup_)
      control->Destroy();
    delayedCleanup_.clear();
    queuedNotifications_.clear();
    names_.clear();
    postPaintControls_.clear();
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
  control->Attach(this, parent ? parent : control->GetParent(), true);
  // Without flags the walk visits every control, children before their container, so a
  // container wins over a child of the same name.
  control->Find(
      [](Control* visited, void* data) -> Control* {
        auto* manager = static_cast<PaintManager*>(data);
        std::wstring name = visited->GetName();
        if (!name.empty())
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
        return RectContains(visited->GetRect(), *static_cast<POINT*>(data)) ? visited : nullptr;
      },
      &point, FindVisible | FindHitTest | FindTopFirst);
}

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
  if (keyControl_ == control)
    keyControl_ = nullptr;
  if (hover_ == control)
    hover_ = nullptr;
  if (pressed_ == control)
    pressed_ = nullptr;
  if (focus_ == control)
    focus_ = nullptr;
  if (lastToolTipControl_ == control)
    lastToolTipControl_ = nullptr;
  auto entry = names_.find(control->GetName());
  if (entry != names_.end() && entry->second == control)
    names_.erase(entry);
  for (Notification& queued : queuedNotifications_) {
    if (queued.sender == control)
      queued.sender = nullptr;
  }
}

bool PaintManager::AddMouseLeaveListener(Control* control) {
  if (std::find(mouseLeaveListeners_.begin(), mouseLeaveListeners_.end(), control) !=
      mouseLeaveListeners_.end()) {
    return false;
  }
  mouseLeaveListeners_.push_back(control);
  return true;
}

bool PaintManager::RemoveMouseLeaveListener(Control* control) {
  return RemoveFirst(mouseLeaveListeners_, control);
}

void PaintManager::AddDelayedCleanup(Control* control) {
  control->Attach(this, nullptr, false);
  delayedCleanup_.push_back(control);
  PostQueueMessage();
}

void PaintManager::SetFocusControl(Control* control, bool takePlatformFocus) {
  if (takePlatformFocus && window_ && ::GetFocus() != window_ && control != focus_)
    ::SetFocus(window_);
  if (control == focus_)
    return;
  if (focus_) {
    Control* losing = focus_;
    ControlEvent event;
    event.kind = ControlEventKind::KillFocus;
    event.sender = control;
    event.timestamp = ::GetTickCount();
    losing->HandleEvent(event);
    SendNotification(losing, L"killfocus");
    focus_ = nullptr;
  }
  if (control && control->GetManager() == this && control->IsVisible() && control->IsEnabled()) {
    focus_ = control;
    ControlEvent event;
    event.kind = ControlEventKind::SetFocus;
    event.sender = control;
    event.timestamp = ::GetTickCount();
    control->HandleEvent(event);
    SendNotification(control, L"setfocus");
  }
}

// Tab order and the deferred focus move come with the input routing.
bool PaintManager::MoveFocusByTab(bool) {
  return false;
}

void PaintManager::Invalidate(const RECT& rect) {
  RECT area = rect;
  area.left = std::max<LONG>(area.left, 0);
  area.top = std::max<LONG>(area.top, 0);
  area.right = std::max(area.right, area.left);
  area.bottom = std::max(area.bottom, area.top);
  // A failed invalidation only loses a repaint that the next full paint makes anyway.
  if (window_)
    ::InvalidateRect(window_, &area, FALSE);
}

void PaintManager::InvalidateAll() {
  if (window_)
    ::InvalidateRect(window_, nullptr, FALSE);
}

void PaintManager::AddPostPaint(Control* control) {
  postPaintControls_.push_back(control);
}

bool PaintManager::RemovePostPaint(Control* control) {
  return RemoveFirst(postPaintControls_, control);
}

bool PaintManager::AddListener(INotifyListener* listener) {
  if (!listener)
    return false;
  listeners_.push_back(listener);
  return true;
}

bool PaintManager::RemoveListener(INotifyListener* listener) {
  return RemoveFirst(listeners_, listener);
}

void PaintManager::SendNotification(Control* sender,
                                    std::wstring_view type,
                                    uint32_t wParam,
                                    int32_t lParam,
                                    bool async,
                                    bool allowRepeat) {
  Notification notification;
  notification.type = type;
  notification.sender = sender;
  notification.wParam = wParam;
  notification.lParam = lParam;
  SendNotification(notification, async, allowRepeat);
}

void PaintManager::SendNotification(Notification& notification, bool async, bool allowRepeat) {
  notification.mousePoint = mousePosition_;
  notification.timestamp = ::GetTickCount();
  if (virtualWindowsUsed_ && notification.sender)
    notification.virtualWindow = notification.sender->GetVirtualWindow();

  if (!async) {
    if (notification.sender)
      notification.sender->notifyHooks.Fire(&notification);
    // Listeners may add or remove listeners while they run, so walk by index.
    for (size_t i = 0; i < listeners_.size(); ++i)
      listeners_[i]->ReceiveNotification(notification);
    return;
  }
  if (!allowRepeat) {
    for (Notification& queued : queuedNotifications_) {
      if (queued.sender == notification.sender && queued.type == notification.type) {
        if (virtualWindowsUsed_)
          queued.virtualWindow = notification.virtualWindow;
        queued.wParam = notification.wParam;
        queued.lParam = notification.lParam;
        queued.mousePoint = notification.mousePoint;
        queued.timestamp = notification.timestamp;
        return;
      }
    }
  }
  queuedNotifications_.push_back(notification);
  PostQueueMessage();
}

void PaintManager::PostQueueMessage() {
  if (queueMessagePosted_ || !window_)
    return;
  if (::PostMessageW(window_, kQueueMessage, 0, 0))
    queueMessagePosted_ = true;
}

void PaintManager::AddDefaultAttributeList(std::wstring_view elementName,
                                           std::wstring_view attributes,
                                           bool shared) {
  auto& lists = shared ? SharedDefaultAttributeLists() : defaultAttributeLists_;
  lists.insert_or_assign(std::wstring(elementName), std::wstring(attributes));
}

const wchar_t* PaintManager::GetDefaultAttributeList(std::wstring_view elementName) const {
  auto it = defaultAttributeLists_.find(elementName);
  if (it != defaultAttributeLists_.end())
    return it->second.c_str();
  const auto& shared = SharedDefaultAttributeLists();
  auto sharedIt = shared.find(elementName);
  return sharedIt == shared.end() ? nullptr : sharedIt->second.c_str();
}

const FontInfo& PaintManager::GetDefaultFontInfo() const {
  return defaultFont_.faceName.empty() ? SharedDefaultFont() : defaultFont_;
}

}  // namespace ui
