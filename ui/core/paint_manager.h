#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/scoped_gdi.h"
#include "ui/core/control_event.h"
#include "ui/core/input_router.h"
#include "ui/core/layered_window_painter.h"
#include "ui/core/message_filter.h"
#include "ui/core/notification.h"
#include "ui/core/observer_list.h"
#include "ui/core/queue_message.h"
#include "ui/core/resource_info.h"
#include "ui/core/timer_table.h"
#include "ui/core/window_resources.h"
#include "ui/render/display_scale.h"
#include "ui/render/render_context.h"
#include "ui/render/render_engine.h"

namespace ui {

class Control;

// Whether moving the focus to a control also gives the window the platform's keyboard focus.
enum class PlatformFocus { Keep, Take };
enum class TabDirection { Backward, Forward };

// Messages reflected to a native child window carry their number plus this.
inline constexpr UINT kReflectedMessageOffset = 0x2000;

// Connects one native window with one tree of controls. The manager owns the root (and through
// it the tree), the controls waiting for delayed cleanup and its parts: the window's fonts,
// images and attribute lists (WindowResources), its input (InputRouter), its controls' timers
// (TimerTable) and its translucency (LayeredWindowPainter); it keeps the registry of names, the
// focus, the notifications and the paint pass itself. The focus and the lists of controls never
// own what they point at. Everything runs on the UI thread. A manager without a window keeps its
// bookkeeping without touching the platform. It is the render engine's context for the controls
// it holds.
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

  bool AddMouseLeaveListener(Control* control) { return input_.AddMouseLeaveListener(control); }
  bool RemoveMouseLeaveListener(Control* control) {
    return input_.RemoveMouseLeaveListener(control);
  }

  // Native child windows and the controls that own them.
  bool AddNativeWindow(Control* control, HWND nativeWindow);
  bool RemoveNativeWindow(HWND nativeWindow);

  // Takes control over for destruction when the queue message arrives (or with the manager).
  void AddDelayedCleanup(Control* control);

  POINT GetMousePos() const override { return input_.MousePosition(); }
  Control* GetFocusControl() const { return focus_; }
  void SetFocusControl(Control* control, PlatformFocus platformFocus);
  // Moves the focus to control, or to the next tab stop after it, at the next paint.
  void SetFocusNeeded(Control* control);
  bool IsFocusNeeded() const { return focusNeeded_; }
  bool MoveFocusByTab(TabDirection direction);
  void SetMouseCapture() { input_.SetMouseCapture(); }
  void ReleaseMouseCapture() { input_.ReleaseMouseCapture(); }
  bool IsMouseCaptured() const { return input_.IsMouseCaptured(); }

  // A control's timers: timerId is the control's own, the native identifier is the manager's.
  bool StartTimer(Control* control, uint32_t timerId, uint32_t elapse) {
    return timers_.Start(control, timerId, elapse);
  }
  bool StopTimer(Control* control, uint32_t timerId) { return timers_.Stop(control, timerId); }
  void StopTimers(Control* control) { timers_.StopAll(control); }

  void Invalidate(const RECT& rect);
  void InvalidateAll();
  void SetUpdateNeeded() { updateNeeded_ = true; }
  bool IsUpdateNeeded() const { return updateNeeded_; }
  // The layout pass that the paint runs first, over the window's client area: lays out the
  // controls that asked for it and, after the first layout, sends "windowinit". Returns true
  // when the root itself was laid out (so buffers of the window's size are out of date).
  bool RunLayoutPass(const RECT& clientRect);
  // Drops the off-screen buffers; the next paint makes them again at the window's size.
  void DropPaintBuffers();

  void AddPostPaint(Control* control);
  bool RemovePostPaint(Control* control);

  // Translucency (layered_window_painter.h).
  void SetOpacity(uint8_t opacity) { layered_.SetOpacity(opacity); }
  uint8_t GetOpacity() const { return layered_.GetOpacity(); }
  void SetLayered(bool layered) { layered_.SetLayered(layered); }
  bool IsLayered() const { return layered_.IsLayered(); }
  void SetLayeredOpacity(uint8_t opacity) { layered_.SetLayeredOpacity(opacity); }
  void SetLayeredImage(std::wstring_view description) { layered_.SetLayeredImage(description); }
  const std::wstring& GetLayeredImage() const { return layered_.GetLayeredImage(); }
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
  bool AddPreFilter(IMessageFilter* filter) { return input_.AddPreFilter(filter); }
  bool RemovePreFilter(IMessageFilter* filter) { return input_.RemovePreFilter(filter); }
  bool AddFilter(IMessageFilter* filter) { return input_.AddFilter(filter); }
  bool RemoveFilter(IMessageFilter* filter) { return input_.RemoveFilter(filter); }
  bool AddAccelerator(ITranslateAccelerator* accelerator) {
    return input_.AddAccelerator(accelerator);
  }
  bool RemoveAccelerator(ITranslateAccelerator* accelerator) {
    return input_.RemoveAccelerator(accelerator);
  }
  // True when one accelerator translated the message (answered 0).
  bool TranslateAccelerators(MSG* message) { return input_.TranslateAccelerators(message); }

  // The messages of the window that the manager serves: filters, input (the input router) and
  // the window's own (paint_manager_messages.cpp), WM_PAINT painting (paint_manager_paint.cpp).
  // True when handled, with the answer in result; otherwise the window's default handling
  // follows.
  bool HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // A queued message before it is dispatched: pre-filters, Tab and Shift+Tab, Alt shortcuts.
  // True when the message is consumed.
  bool PreTranslate(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return input_.PreTranslate(message, wParam, lParam, result);
  }

  // Fonts (window_resources.h). ResourceSet::Shared, or the force-shared flag, puts a font into
  // the process-wide set. Unknown ids fall back to the default font.
  void SetForceSharedResources(bool force) { resources_.SetForceShared(force); }
  bool IsForceSharedResources() const { return resources_.IsForceShared(); }
  HFONT AddFont(int id,
                std::wstring_view faceName,
                int size,
                bool bold,
                bool underline,
                bool italic,
                ResourceSet set = ResourceSet::Window) override {
    return resources_.AddFont(id, faceName, size, bold, underline, italic, set);
  }
  bool SetDefaultFont(std::wstring_view faceName,
                      int size,
                      bool bold,
                      bool underline,
                      bool italic,
                      ResourceSet set = ResourceSet::Window) {
    return resources_.SetDefaultFont(faceName, size, bold, underline, italic, set);
  }
  const FontInfo& GetDefaultFontInfo() { return resources_.GetDefaultFontInfo(); }
  HFONT GetFont(int id) override { return resources_.GetFontInfo(id).font.Get(); }
  const FontInfo& GetFontInfo(int id) { return resources_.GetFontInfo(id); }
  const FontInfo& GetFontInfo(HFONT font) override { return resources_.GetFontInfo(font); }
  HFONT FindFont(std::wstring_view faceName,
                 int size,
                 bool bold,
                 bool underline,
                 bool italic) const override {
    return resources_.FindFont(faceName, size, bold, underline, italic);
  }
  void RemoveAllFonts(ResourceSet set = ResourceSet::Window) { resources_.RemoveAllFonts(set); }

  // Default attribute lists by element name, applied before an element's own attributes.
  void AddDefaultAttributeList(std::wstring_view elementName,
                               std::wstring_view attributes,
                               ResourceSet set = ResourceSet::Window) {
    resources_.AddDefaultAttributeList(elementName, attributes, set);
  }
  // The window's list for the element, else the process-wide one; null when neither exists.
  const wchar_t* GetDefaultAttributeList(std::wstring_view elementName) const {
    return resources_.GetDefaultAttributeList(elementName);
  }
  void RemoveAllDefaultAttributeLists(ResourceSet set = ResourceSet::Window) {
    resources_.RemoveAllDefaultAttributeLists(set);
  }

  // Language texts, one set for the process.
  static void AddLanguageText(int id, std::wstring_view text) {
    WindowResources::AddLanguageText(id, text);
  }
  static const wchar_t* GetLanguageText(int id) { return WindowResources::GetLanguageText(id); }
  // Replaces each placeholder "%{id}" whose language text exists by that text.
  static std::wstring ReplaceLanguagePlaceholders(std::wstring_view text) {
    return WindowResources::ReplaceLanguagePlaceholders(text);
  }
  std::wstring LocalizeText(std::wstring_view text) const override {
    return ReplaceLanguagePlaceholders(text);
  }

  // The window's default colours. For the shared set the process-wide colour is set as well,
  // and the window's follows it only if it still had the old shared value.
  void SetDisabledFontColor(uint32_t color, ResourceSet set = ResourceSet::Window) {
    resources_.SetColor(&ResourceInfo::disabledTextColor, color, set);
  }
  void SetDefaultFontColor(uint32_t color, ResourceSet set = ResourceSet::Window) {
    resources_.SetColor(&ResourceInfo::textColor, color, set);
  }
  void SetLinkFontColor(uint32_t color, ResourceSet set = ResourceSet::Window) {
    resources_.SetColor(&ResourceInfo::linkColor, color, set);
  }
  void SetLinkHoverFontColor(uint32_t color, ResourceSet set = ResourceSet::Window) {
    resources_.SetColor(&ResourceInfo::linkHoverColor, color, set);
  }
  void SetSelectedColor(uint32_t color, ResourceSet set = ResourceSet::Window) {
    resources_.SetColor(&ResourceInfo::selectedBackColor, color, set);
  }
  uint32_t GetDisabledFontColor() const {
    return resources_.Color(&ResourceInfo::disabledTextColor);
  }
  uint32_t GetDefaultFontColor() const { return resources_.Color(&ResourceInfo::textColor); }
  uint32_t GetLinkFontColor() const override { return resources_.Color(&ResourceInfo::linkColor); }
  uint32_t GetLinkHoverFontColor() const override {
    return resources_.Color(&ResourceInfo::linkHoverColor);
  }
  uint32_t GetSelectedColor() const override {
    return resources_.Color(&ResourceInfo::selectedBackColor);
  }

  // Images: the window's cache, falling back to the process-wide one. AddImage loads an image
  // into the shared cache or the window's, replacing one of the same name there.
  ImageRecord* AddImage(const std::wstring& name,
                        const wchar_t* type,
                        uint32_t mask,
                        bool followsShift,
                        ResourceSet set) {
    return resources_.AddImage(name, type, mask, followsShift, set);
  }
  ImageRecord* GetImage(const std::wstring& name) const { return resources_.GetImage(name); }
  ImageRecord* GetOrAddImage(const std::wstring& name,
                             const wchar_t* type,
                             uint32_t mask,
                             bool followsShift) override {
    return resources_.GetOrAddImage(name, type, mask, followsShift);
  }
  void RemoveAllImages(ResourceSet set) { resources_.RemoveAllImages(set); }

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
  DisplayScale GetDisplayScale() const override { return resources_.Scale(); }
  void SetDpi(int dpi);
  // The skin's window size, caption, corners and size limits at the window's scale.
  SIZE ScaledInitSize() const { return GetDisplayScale().Size(initSize_); }
  RECT ScaledCaptionRect() const { return GetDisplayScale().Rect(caption_); }
  RECT ScaledSizeBox() const { return GetDisplayScale().Rect(sizeBox_); }
  SIZE ScaledRoundCorner() const { return GetDisplayScale().Size(roundCorner_); }
  SIZE ScaledMinInfo() const { return GetDisplayScale().Size(minSize_); }
  SIZE ScaledMaxInfo() const { return GetDisplayScale().Size(maxSize_); }

 private:
  static ObserverList<PaintManager*>& ManagerList();

  // The focus control receives KillFocus (sender: next) and "killfocus", and is cleared.
  void LoseFocus(Control* next);
  // The sender's notify hooks, then every listener, in order.
  void Deliver(Notification& notification);
  void PostQueueMessage();
  // The queue message: delivers the queued notifications, then destroys the delayed-cleanup
  // controls.
  void DrainQueue();
  void DestroyDelayedCleanup();

  // The window's own messages (paint_manager_messages.cpp): each handler answers whether it
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
  bool RouteWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleQueue(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleSize(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleKillFocus(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandlePaint(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandlePrintClient(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleClose(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleEraseBackground(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleGetMinMaxInfo(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleTimer(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Window painting (paint_manager_paint.cpp).
  void PaintWindowMessage();
  // The area to paint now, within client; false when there is none.
  bool TakeDirtyArea(const RECT& client, RECT& dirty);
  // The layout pass before the paint; false when the paint is to end here.
  bool LayOutForPaint(const RECT& client, RECT& dirty);
  bool EnsureOffscreenBuffer(const RECT& client);
  // The tree, the native children of a layered window and the post-paint controls into the
  // off-screen buffer, and from there to the screen.
  void PaintTree(const RECT& client, const RECT& dirty);
  void PrintClient(HDC dc, LPARAM flags);
  bool CreateOffscreenBuffer(const RECT& client);
  // Prints the visible native children into a layered window's frame.
  void PrintNativeChildren(HDC dc, const RECT& dirty);

  std::wstring name_;
  HWND window_ = nullptr;
  base::ScopedGetDC windowDc_;
  base::ScopedMemoryDC offscreenDc_;
  base::ScopedBitmap offscreenBitmap_;
  uint32_t* offscreenPixels_ = nullptr;
  bool noActivate_ = false;
  bool showDirty_ = false;
  Control* root_ = nullptr;
  Control* focus_ = nullptr;
  SkinSize minSize_;
  SkinSize maxSize_;
  SkinSize initSize_;
  SkinRect sizeBox_;
  SkinSize roundCorner_;
  SkinRect caption_;
  bool firstLayout_ = true;
  bool updateNeeded_ = false;
  bool focusNeeded_ = false;
  bool painting_ = false;
  bool virtualWindowsUsed_ = false;
  bool queueMessagePosted_ = false;
  long accessibleIds_ = 0;
  ObserverList<INotifyListener*> listeners_;
  ObserverList<Control*> postPaintControls_;
  std::vector<HWND> nativeWindows_;
  std::vector<Control*> nativeWindowControls_;
  std::vector<Control*> delayedCleanup_;
  std::vector<Notification> queuedNotifications_;
  std::vector<Control*> foundControls_;
  std::map<std::wstring, Control*, std::less<>> names_;
  std::map<std::wstring, std::wstring, std::less<>> customWindowAttributes_;
  std::map<std::wstring, std::vector<Control*>, std::less<>> optionGroups_;
  WindowResources resources_;
  InputRouter input_{*this};
  WindowTimerPlatform timerPlatform_;
  TimerTable timers_{timerPlatform_};
  LayeredWindowPainter layered_{*this};
};

}  // namespace ui
