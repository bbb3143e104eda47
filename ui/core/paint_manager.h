#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/scoped_gdi.h"
#include "ui/core/control_event.h"
#include "ui/core/message_filter.h"
#include "ui/core/notification.h"
#include "ui/core/observer_list.h"
#include "ui/core/queue_message.h"
#include "ui/core/resource_info.h"
#include "ui/render/display_scale.h"
#include "ui/render/image_cache.h"
#include "ui/render/render_context.h"
#include "ui/render/render_engine.h"

namespace ui {

class Control;

// Whether moving the focus to a control also gives the window the platform's keyboard focus.
enum class PlatformFocus { Keep, Take };
enum class TabDirection { Backward, Forward };

// The timer that turns Invalidate into a screen update on a layered window.
inline constexpr UINT_PTR kLayeredTimerId = 0x2000;
// Messages reflected to a native child window carry their number plus this.
inline constexpr UINT kReflectedMessageOffset = 0x2000;

// Connects one native window with one tree of controls. The manager owns the root (and through
// it the tree), the controls waiting for delayed cleanup, the window's fonts, images and default
// attribute lists; the focus, hover, pressed and key references, the listeners and the lists of
// controls never own what they point at. Everything runs on the UI thread. A manager without a
// window keeps its bookkeeping without touching the platform. It is the render engine's context
// for the controls it holds.
//
// Whatever the manager calls out to (a control's event handler or hooks, a listener, a filter, an
// accelerator) may destroy the control concerned or any other, destroy the window, and add or
// remove listeners, filters and accelerators: every dispatch runs in a DispatchScope, checks the
// controls it holds after each call out, and walks its observer lists so that none is skipped.
// The manager itself, like the window object that embeds it, outlives the messages of its
// window.
class PaintManager : public IRenderContext {
 public:
  PaintManager();
  ~PaintManager() override;
  PaintManager(const PaintManager&) = delete;
  PaintManager& operator=(const PaintManager&) = delete;

  // Every manager that has a window, in the order in which they were attached.
  static std::vector<PaintManager*> AttachedManagers();
  // Hands the managers that have a window to visit, in the order of attachment or the last
  // attached first, until visit answers false; a manager that goes meanwhile is not visited.
  template <typename Visit>
  static void WalkAttachedManagers(Visit&& visit) {
    ManagerList().ForEach(visit);
  }
  template <typename Visit>
  static void WalkAttachedManagersFromLast(Visit&& visit) {
    ManagerList().ForEachReverse(visit);
  }

  // Serves window (takes its DC, joins the attached managers) under name. Clears the registry,
  // the window's own fonts, images and default attribute lists, the custom window attributes,
  // the option groups and all timers.
  void AttachWindow(HWND window, std::wstring_view name = {});
  // The window has been destroyed: the manager lets go of it (its DC, timers, capture and place
  // among the attached managers) and keeps the tree and its resources.
  void DetachWindow();
  const std::wstring& GetName() const { return name_; }
  HWND PaintWindow() const { return window_; }
  HDC PaintDC() const { return windowDc_.Get(); }

  // Makes root the root of the tree and registers its subtree; an earlier root is destroyed
  // through the delayed-cleanup list.
  bool AttachRoot(Control* root);
  Control* GetRoot() const { return root_; }

  // Attaches control (with parent, or its own parent when none is given) and enters the names
  // of its subtree into the registry; later entries replace earlier ones of the same name.
  bool RegisterControls(Control* control, Control* parent = nullptr);
  Control* FindControlByName(std::wstring_view name) const;
  Control* FindControlAt(POINT point) const;
  bool RenameControl(Control* control, std::wstring_view name);
  // Drops every reference to a control that is being destroyed; a pressed control gives the
  // mouse capture back.
  void ForgetControl(Control* control);

  // Groups of options of which one at a time is selected.
  bool AddOptionGroup(std::wstring_view group, Control* control);
  const std::vector<Control*>* GetOptionGroup(std::wstring_view group) const;
  void RemoveOptionGroup(std::wstring_view group, Control* control);

  bool AddMouseLeaveListener(Control* control);
  bool RemoveMouseLeaveListener(Control* control);

  // Native child windows and the controls that own them.
  bool AddNativeWindow(Control* control, HWND nativeWindow);
  bool RemoveNativeWindow(HWND nativeWindow);

  // Takes control over for destruction when the queue message arrives (or with the manager).
  void AddDelayedCleanup(Control* control);

  POINT GetMousePos() const override { return mousePosition_; }
  Control* GetFocusControl() const { return focus_; }
  void SetFocusControl(Control* control, PlatformFocus platformFocus);
  // Moves the focus to control, or to the next tab stop after it, at the next paint.
  void SetFocusNeeded(Control* control);
  bool IsFocusNeeded() const { return focusNeeded_; }
  bool MoveFocusByTab(TabDirection direction);
  void SetMouseCapture();
  void ReleaseMouseCapture();
  bool IsMouseCaptured() const { return mouseCaptured_; }

  // A control's timers: timerId is the control's own, the native identifier is the manager's.
  bool StartTimer(Control* control, uint32_t timerId, uint32_t elapse);
  bool StopTimer(Control* control, uint32_t timerId);
  void StopTimers(Control* control);

  void Invalidate(const RECT& rect);
  void InvalidateAll();
  void SetUpdateNeeded() { updateNeeded_ = true; }
  bool IsUpdateNeeded() const { return updateNeeded_; }
  // The layout pass that the paint runs first, over the window's client area: lays out the
  // controls that asked for it and, after the first layout, sends "windowinit". Returns true
  // when the root itself was laid out (so buffers of the window's size are out of date).
  bool RunLayoutPass(const RECT& clientRect);

  void AddPostPaint(Control* control);
  bool RemovePostPaint(Control* control);

  // Translucency (paint_manager_layered.cpp).
  void SetOpacity(uint8_t opacity);
  uint8_t GetOpacity() const { return opacity_; }
  void SetLayered(bool layered);
  bool IsLayered() const { return layered_; }
  void SetLayeredOpacity(uint8_t opacity);
  void SetLayeredImage(std::wstring_view description);
  const std::wstring& GetLayeredImage() const { return layeredImage_.description; }
  bool IsPainting() const { return painting_; }

  // Notifications (paint_manager_notify.cpp).
  bool AddListener(INotifyListener* listener);
  bool RemoveListener(INotifyListener* listener);
  void SendNotification(Control* sender,
                        std::wstring_view type,
                        uint32_t wParam = 0,
                        int32_t lParam = 0,
                        Dispatch dispatch = Dispatch::Now,
                        Repeats repeats = Repeats::Allowed);
  void SendNotification(Notification& notification,
                        Dispatch dispatch = Dispatch::Now,
                        Repeats repeats = Repeats::Allowed);
  // Active Accessibility: a new child id for a control that joins the manager, and the event
  // (EVENT_OBJECT_*) for the window's client object, of control or, when null, of the client
  // itself.
  long TakeAccessibleId() { return ++accessibleIds_; }
  void NotifyAccessibleEvent(uint32_t event, const Control* control);
  void SetVirtualWindowsUsed(bool used) { virtualWindowsUsed_ = used; }
  bool AreVirtualWindowsUsed() const { return virtualWindowsUsed_; }

  // Filters see the window's messages before the manager; pre-filters and accelerators see the
  // queued messages before they are dispatched. Null is refused; duplicates are kept.
  bool AddPreFilter(IMessageFilter* filter);
  bool RemovePreFilter(IMessageFilter* filter);
  bool AddFilter(IMessageFilter* filter);
  bool RemoveFilter(IMessageFilter* filter);
  bool AddAccelerator(ITranslateAccelerator* accelerator);
  bool RemoveAccelerator(ITranslateAccelerator* accelerator);
  // True when one accelerator translated the message (answered 0).
  bool TranslateAccelerators(MSG* message);

  // The messages of the window that the manager serves (paint_manager_messages.cpp): input becomes
  // control events, WM_PAINT paints (paint_manager_paint.cpp). True when handled, with the
  // answer in result; otherwise the window's default handling follows.
  bool HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // A queued message before it is dispatched: pre-filters, Tab and Shift+Tab, Alt shortcuts.
  // True when the message is consumed.
  bool PreTranslate(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Fonts (paint_manager_resources.cpp). ResourceSet::Shared, or the force-shared flag, puts a
  // font into the process-wide set. Unknown ids fall back to the default font.
  void SetForceSharedResources(bool force) { forceSharedResources_ = force; }
  bool IsForceSharedResources() const { return forceSharedResources_; }
  HFONT AddFont(int id,
                std::wstring_view faceName,
                int size,
                bool bold,
                bool underline,
                bool italic,
                ResourceSet set = ResourceSet::Window) override;
  bool SetDefaultFont(std::wstring_view faceName,
                      int size,
                      bool bold,
                      bool underline,
                      bool italic,
                      ResourceSet set = ResourceSet::Window);
  const FontInfo& GetDefaultFontInfo();
  HFONT GetFont(int id) override;
  const FontInfo& GetFontInfo(int id);
  const FontInfo& GetFontInfo(HFONT font) override;
  HFONT FindFont(std::wstring_view faceName,
                 int size,
                 bool bold,
                 bool underline,
                 bool italic) const override;
  void RemoveAllFonts(ResourceSet set = ResourceSet::Window);

  // Default attribute lists by element name, applied before an element's own attributes.
  void AddDefaultAttributeList(std::wstring_view elementName,
                               std::wstring_view attributes,
                               ResourceSet set = ResourceSet::Window);
  // The window's list for the element, else the process-wide one; null when neither exists.
  const wchar_t* GetDefaultAttributeList(std::wstring_view elementName) const;
  void RemoveAllDefaultAttributeLists(ResourceSet set = ResourceSet::Window);

  // Language texts, one set for the process.
  static void AddLanguageText(int id, std::wstring_view text);
  static const wchar_t* GetLanguageText(int id);
  // Replaces each placeholder "%{id}" whose language text exists by that text.
  static std::wstring ReplaceLanguagePlaceholders(std::wstring_view text);
  std::wstring LocalizeText(std::wstring_view text) const override {
    return ReplaceLanguagePlaceholders(text);
  }

  // The window's default colours. For the shared set the process-wide colour is set as well,
  // and the window's follows it only if it still had the old shared value.
  void SetDisabledFontColor(uint32_t color, ResourceSet set = ResourceSet::Window);
  void SetDefaultFontColor(uint32_t color, ResourceSet set = ResourceSet::Window);
  void SetLinkFontColor(uint32_t color, ResourceSet set = ResourceSet::Window);
  void SetLinkHoverFontColor(uint32_t color, ResourceSet set = ResourceSet::Window);
  void SetSelectedColor(uint32_t color, ResourceSet set = ResourceSet::Window);
  uint32_t GetDisabledFontColor() const { return resources_.disabledTextColor; }
  uint32_t GetDefaultFontColor() const { return resources_.textColor; }
  uint32_t GetLinkFontColor() const override { return resources_.linkColor; }
  uint32_t GetLinkHoverFontColor() const override { return resources_.linkHoverColor; }
  uint32_t GetSelectedColor() const override { return resources_.selectedBackColor; }

  // Window attributes of the skin's "Window" element (paint_manager_window_attributes.cpp).
  void SetWindowAttribute(std::wstring_view name, std::wstring_view value);
  // An attribute without a meaning of its own, as first given; null when absent.
  const wchar_t* GetWindowCustomAttribute(std::wstring_view name) const;
  // The window's sizes as the skin gives them; the Scaled... getters below give them in pixels.
  void SetInitSize(const SkinSize& size);
  SkinSize GetInitSize() const { return initSize_; }
  void SetSizeBox(const SkinRect& sizeBox) { sizeBox_ = sizeBox; }
  SkinRect GetSizeBox() const { return sizeBox_; }
  void SetCaptionRect(const SkinRect& caption) { caption_ = caption; }
  SkinRect GetCaptionRect() const { return caption_; }
  void SetRoundCorner(const SkinSize& corner) { roundCorner_ = corner; }
  SkinSize GetRoundCorner() const { return roundCorner_; }
  void SetMinInfo(const SkinSize& size) { minSize_ = size; }
  SkinSize GetMinInfo() const { return minSize_; }
  void SetMaxInfo(const SkinSize& size) { maxSize_ = size; }
  SkinSize GetMaxInfo() const { return maxSize_; }
  void SetShowDirty(bool show) { showDirty_ = show; }
  bool IsShowDirty() const { return showDirty_; }
  void SetNoActivate(bool noActivate) { noActivate_ = noActivate; }
  bool IsNoActivate() const { return noActivate_; }

  // Display scale (paint_manager_scale.cpp). The skin stays in 96-DPI units; layout, fonts,
  // images and the window's own sizes are multiplied by the scale. AttachWindow takes the
  // window's DPI; SetDpi changes it later (a move to a monitor of another scale): the fonts are
  // made again, the tree is laid out and painted anew and images are taken at the new scale.
  DisplayScale GetDisplayScale() const override { return scale_; }
  void SetDpi(int dpi);
  // The skin's window size, caption, corners and size limits at the window's scale.
  SIZE ScaledInitSize() const { return scale_.Size(initSize_); }
  RECT ScaledCaptionRect() const { return scale_.Rect(caption_); }
  RECT ScaledSizeBox() const { return scale_.Rect(sizeBox_); }
  SIZE ScaledRoundCorner() const { return scale_.Size(roundCorner_); }
  SIZE ScaledMinInfo() const { return scale_.Size(minSize_); }
  SIZE ScaledMaxInfo() const { return scale_.Size(maxSize_); }

 private:
  struct TimerRecord {
    Control* control = nullptr;
    uint32_t timerId = 0;
    HWND window = nullptr;
    uint32_t nativeId = 0;
    bool stopped = false;
  };

  static ObserverList<PaintManager*>& ManagerList();
  static ResourceInfo& SharedResources();
  // Sets up what every manager of the process shares, once.
  static void InitializeProcessWide();
  // The process-wide pen that outlines repainted areas when "showdirty" is on.
  static HPEN ShowDirtyPen();
  static uint16_t CurrentKeyState();

  // The focus control receives KillFocus (sender: next) and "killfocus", and is cleared.
  void LoseFocus(Control* next);
  // The sender's notify hooks, then every listener, in order.
  void Deliver(Notification& notification);
  void PostQueueMessage();
  // The queue message: delivers the queued notifications, then destroys the delayed-cleanup
  // controls.
  void DrainQueue();
  void DestroyDelayedCleanup();
  void OnTimerMessage(uint32_t nativeId, LPARAM lParam);
  void RemoveAllTimers();
  // Finds the native identifier for a new timer; false when every identifier is taken.
  bool TakeNativeTimerId(uint32_t& nativeId);
  // The layered-window repaint driven by the layered timer.
  void RepaintLayered();

  // The window's message table (paint_manager_messages.cpp): each handler answers whether it
  // handled the message, with its result; false lets the window's default handling run.
  using MessageHandler = bool (PaintManager::*)(UINT message,
                                                WPARAM wParam,
                                                LPARAM lParam,
                                                LRESULT& result);
  struct MessageRoute {
    UINT message;
    MessageHandler handler;
  };
  static const MessageRoute kMessageRoutes[];
  // The filters first: true when one took the message.
  bool RunFilters(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleLayeredFrame(UINT message, WPARAM wParam, LRESULT& result);
  bool HandleQueue(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleSize(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleKillFocus(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandlePaint(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandlePrintClient(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleClose(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleCaptureChanged(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleCancelMode(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleEraseBackground(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleSetCursor(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleMouseActivate(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleGetMinMaxInfo(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleTimer(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The mouse (paint_manager_mouse.cpp).
  bool HandleMouseMove(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleButtonDown(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleButtonUp(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleMouseWheel(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleMouseHover(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleMouseLeave(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleContextMenu(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void OnMouseMove(POINT point, WPARAM wParam, LPARAM lParam);
  void OnMouseLeaveMessage();
  bool OnMouseHover(POINT point, WPARAM wParam, LPARAM lParam);
  // A control at point that belongs to this manager; sets foreign when it belongs to another.
  Control* ControlAtPoint(POINT point, bool& foreign) const;
  // The event for control with the current time, mouse position and key state.
  ControlEvent MakeEvent(ControlEventKind kind,
                         Control* sender,
                         WPARAM wParam,
                         LPARAM lParam) const;
  // The keyboard (paint_manager_keys.cpp).
  bool HandleKey(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnSysChar(WPARAM character);
  // The capture went elsewhere (wentTo, null when just released) or the system cancelled the
  // mode: a press under way ends without activating anything.
  void OnCaptureChanged(HWND wentTo);
  // Ends the press of the pressed control without a release (CaptureLost), and gives back the
  // capture when this window still holds it.
  void CancelPress();
  // The hovered control's tooltip (paint_manager_tooltip.cpp; the window is made on first use).
  void ShowToolTip(Control* control, POINT point);
  void HideToolTip();

  // Window painting (paint_manager_paint.cpp).
  void PaintWindowMessage();
  void PrintClient(HDC dc, LPARAM flags);
  bool CreateOffscreenBuffer(const RECT& client);
  void DropPaintBuffers();
  // Layered output: native children, the layered image's mask, UpdateLayeredWindow.
  void PrintNativeChildren(HDC dc, const RECT& dirty);
  void ApplyLayeredImage(const RECT& client, const RECT& dirty);
  void UpdateLayeredOutput(const RECT& client);
  void SetColor(uint32_t ResourceInfo::*color, uint32_t value, ResourceSet set);
  // Makes every skin font again at the current scale.
  void RescaleFonts();
  // Measures a font with the window DC if its metrics are still unknown.
  void MeasureFont(FontInfo& info) const;
  // The font that lookup finds among the window's fonts, else among the process's, measured;
  // the default font when neither has it.
  template <typename Lookup>
  const FontInfo& MeasuredFontOrDefault(Lookup lookup);

  std::wstring name_;
  HWND window_ = nullptr;
  base::ScopedGetDC windowDc_;
  base::ScopedMemoryDC offscreenDc_;
  base::ScopedBitmap offscreenBitmap_;
  uint32_t* offscreenPixels_ = nullptr;
  base::ScopedMemoryDC backgroundDc_;
  base::ScopedBitmap backgroundBitmap_;
  uint32_t* backgroundPixels_ = nullptr;
  int cachedToolTipWidth_ = -1;
  HWND toolTipWindow_ = nullptr;
  TOOLINFOW toolInfo_ = {};
  std::wstring toolTipText_;  // the text that toolInfo_ points at
  uint32_t hoverTime_ = 1000;
  bool noActivate_ = false;
  bool showDirty_ = false;
  Control* root_ = nullptr;
  Control* focus_ = nullptr;
  Control* hover_ = nullptr;
  Control* pressed_ = nullptr;
  Control* keyControl_ = nullptr;
  Control* lastToolTipControl_ = nullptr;
  POINT mousePosition_ = {-1, -1};
  SkinSize minSize_;
  SkinSize maxSize_;
  SkinSize initSize_;
  SkinRect sizeBox_;
  SkinSize roundCorner_;
  SkinRect caption_;
  int timerCounter_ = 4096;
  bool firstLayout_ = true;
  bool updateNeeded_ = false;
  bool focusNeeded_ = false;
  uint8_t opacity_ = 255;
  bool layered_ = false;
  bool layeredChanged_ = false;
  RECT layeredUpdateRect_ = {0, 0, 0, 0};
  ImageDrawInfo layeredImage_;
  bool mouseTracking_ = false;
  bool mouseCaptured_ = false;
  bool painting_ = false;
  bool virtualWindowsUsed_ = false;
  bool queueMessagePosted_ = false;
  long accessibleIds_ = 0;
  ObserverList<INotifyListener*> listeners_;
  ObserverList<IMessageFilter*> preFilters_;
  ObserverList<IMessageFilter*> filters_;
  ObserverList<ITranslateAccelerator*> accelerators_;
  std::vector<TimerRecord> timers_;
  ObserverList<Control*> postPaintControls_;
  std::vector<HWND> nativeWindows_;
  std::vector<Control*> nativeWindowControls_;
  std::vector<Control*> delayedCleanup_;
  std::vector<Notification> queuedNotifications_;
  std::vector<Control*> foundControls_;
  ObserverList<Control*> mouseLeaveListeners_;
  std::map<std::wstring, Control*, std::less<>> names_;
  std::map<std::wstring, std::wstring, std::less<>> customWindowAttributes_;
  std::map<std::wstring, std::vector<Control*>, std::less<>> optionGroups_;
  bool forceSharedResources_ = false;
  DisplayScale scale_;
  ResourceInfo resources_;
  // Images: the window's cache, falling back to the process-wide one (paint_manager_images.cpp).
 public:
  // Loads an image into the shared cache or the window's, replacing one of the same name there.
  ImageRecord* AddImage(const std::wstring& name,
                        const wchar_t* type,
                        uint32_t mask,
                        bool followsShift,
                        ResourceSet set);
  ImageRecord* GetImage(const std::wstring& name) const;
  ImageRecord* GetOrAddImage(const std::wstring& name,
                             const wchar_t* type,
                             uint32_t mask,
                             bool followsShift) override;
  void RemoveAllImages(ResourceSet set);

 private:
  ImageCache images_;
};

}  // namespace ui
