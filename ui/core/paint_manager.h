#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ui/render/image_cache.h"

namespace ui {

class Control;

// Input kinds handed to Control::HandleEvent. The numbers are fixed: mouse events are exactly the
// kinds between MouseBegin and MouseEnd (exclusive).
enum class ControlEventKind : int32_t {
  KeyDown = 3,
  KeyUp = 4,
  Char = 5,
  SysKey = 6,
  MouseBegin = 8,
  MouseMove = 9,
  MouseLeave = 10,
  MouseEnter = 11,
  MouseHover = 12,
  ButtonDown = 13,
  ButtonUp = 14,
  RightButtonDown = 15,
  DoubleClick = 16,
  ContextMenu = 17,
  ScrollWheel = 18,
  MouseEnd = 19,
  KillFocus = 20,
  SetFocus = 21,
  WindowSize = 22,
  SetCursor = 23,
  Timer = 24,
};

inline bool IsMouseEvent(ControlEventKind kind) {
  return kind > ControlEventKind::MouseBegin && kind < ControlEventKind::MouseEnd;
}

// The input record a control receives from its paint manager.
struct ControlEvent {
  ControlEventKind kind = ControlEventKind::MouseMove;
  Control* sender = nullptr;
  uint32_t timestamp = 0;
  POINT mousePoint = {0, 0};
  wchar_t keyChar = 0;
  uint16_t keyState = 0;
  uint32_t wParam = 0;
  int32_t lParam = 0;
};

// What a control tells the window's listeners, e.g. "click" or "tabselect".
struct Notification {
  std::wstring type;
  std::wstring virtualWindow;
  Control* sender = nullptr;
  uint32_t timestamp = 0;
  POINT mousePoint = {0, 0};
  uint32_t wParam = 0;
  int32_t lParam = 0;
};

class INotifyListener {
 public:
  virtual void ReceiveNotification(Notification& notification) = 0;

 protected:
  ~INotifyListener() = default;
};

// A font of the window or of the process: handle, description and (once measured) metrics.
struct FontInfo {
  HFONT font = nullptr;
  std::wstring faceName;
  int size = 0;
  bool bold = false;
  bool underline = false;
  bool italic = false;
  TEXTMETRICW metrics = {};
};

// Connects one native window with one tree of controls. This is the part that the controls
// rely on: the control registry, focus, invalidation and layout requests, the notification
// listeners and the default attribute lists. Input routing, painting, timers and the resource
// tables join it later; until then the operations that need them do nothing, and a manager
// without a window keeps its bookkeeping without touching the platform.
class PaintManager {
 public:
  PaintManager();
  ~PaintManager();
  PaintManager(const PaintManager&) = delete;
  PaintManager& operator=(const PaintManager&) = delete;

  void AttachWindow(HWND window, std::wstring_view name);
  HWND PaintWindow() const { return window_; }

  // Makes control the root of the tree and registers its subtree; an earlier root is destroyed
  // through the delayed-cleanup list.
  bool AttachRoot(Control* root);
  Control* GetRoot() const { return root_; }

  // Attaches control (with parent, or its own parent when none is given) and enters the names
  // of its subtree into the registry; later entries replace earlier ones of the same name.
  bool RegisterControls(Control* control, Control* parent = nullptr);
  Control* FindControlByName(std::wstring_view name) const;
  Control* FindControlAt(POINT point) const;
  bool RenameControl(Control* control, std::wstring_view name);
  // Drops every reference to a control that is being destroyed.
  void ForgetControl(Control* control);

  bool AddMouseLeaveListener(Control* control);
  bool RemoveMouseLeaveListener(Control* control);
  // Takes control over for destruction when the queue message arrives (or with the manager).
  void AddDelayedCleanup(Control* control);

  Control* GetFocusControl() const { return focus_; }
  void SetFocusControl(Control* control, bool takePlatformFocus);
  bool MoveFocusByTab(bool forward);

  void Invalidate(const RECT& rect);
  void InvalidateAll();
  void SetUpdateNeeded() { updateNeeded_ = true; }
  bool IsUpdateNeeded() const { return updateNeeded_; }

  void AddPostPaint(Control* control);
  bool RemovePostPaint(Control* control);

  bool AddListener(INotifyListener* listener);
  bool RemoveListener(INotifyListener* listener);
  void SendNotification(Control* sender,
                        std::wstring_view type,
                        uint32_t wParam = 0,
                        int32_t lParam = 0,
                        bool async = false,
                        bool allowRepeat = true);
  void SendNotification(Notification& notification, bool async = false, bool allowRepeat = true);
  void SetVirtualWindowsUsed(bool used) { virtualWindowsUsed_ = used; }
  bool AreVirtualWindowsUsed() const { return virtualWindowsUsed_; }

  void AddDefaultAttributeList(std::wstring_view elementName,
                               std::wstring_view attributes,
                               bool shared);
  // The window's list for the element, else the process-wide one; null when neither exists.
  const wchar_t* GetDefaultAttributeList(std::wstring_view elementName) const;
  const FontInfo& GetDefaultFontInfo() const;

 private:
  void PostQueueMessage();

  std::wstring name_;
  HWND window_ = nullptr;
  Control* root_ = nullptr;
  Control* focus_ = nullptr;
  Control* hover_ = nullptr;
  Control* pressed_ = nullptr;
  Control* keyControl_ = nullptr;
  Control* lastToolTipControl_ = nullptr;
  POINT mousePosition_ = {-1, -1};
  bool firstLayout_ = true;
  bool updateNeeded_ = false;
  bool focusNeeded_ = false;
  bool virtualWindowsUsed_ = false;
  bool queueMessagePosted_ = false;
  std::vector<INotifyListener*> listeners_;
  std::vector<Control*> postPaintControls_;
  std::vector<Control*> delayedCleanup_;
  std::vector<Notification> queuedNotifications_;
  std::vector<Control*> mouseLeaveListeners_;
  std::map<std::wstring, Control*, std::less<>> names_;
  std::map<std::wstring, std::wstring, std::less<>> defaultAttributeLists_;
  FontInfo defaultFont_;
  // Images: the window's cache, falling back to the process-wide one (paint_manager_images.cpp).
 public:
  // Loads an image into the shared cache or the window's, replacing one of the same name there.
  ImageRecord* AddImage(const std::wstring& name, const wchar_t* type, uint32_t mask,
                        bool followsShift, bool shared);
  ImageRecord* GetImage(const std::wstring& name) const;
  ImageRecord* GetOrAddImage(const std::wstring& name, const wchar_t* type, uint32_t mask,
                             bool followsShift);
  void RemoveAllImages(bool shared);

 private:
  ImageCache images_;
};

}  // namespace ui
