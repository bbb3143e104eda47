#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ui/core/accessible_tree.h"
#include "ui/core/message_filter.h"
#include "ui/core/notify_pump.h"
#include "ui/core/paint_manager.h"
#include "ui/core/skin_settings.h"
#include "ui/core/window_wrapper.h"
#include "ui/skin/accessibility_host.h"
#include "ui/skin/skin_builder.h"
#include "ui/skin/skin_window_hit_test.h"

namespace ui {

// A frameless window drawn from a skin. WM_CREATE loads the skin from where the application
// says (SkinSource and friends), builds the control tree into the embedded PaintManager and calls
// OnSkinReady. Every message goes through the handlers below, then HandleOtherMessage, then the
// manager, then the previous window procedure. The window listens to its own manager's
// notifications (forwarded to the message maps: "click" reaches OnClickNotification) and filters
// its messages (Escape requests the close). The object owns the manager and through it the
// control tree; it must outlive the native window.
//
// An application window derives from it and supplies WindowClassName, SkinFolderName,
// SkinFileName and, unless the skin lies in loose files, SkinSource with the package or resource.
//
// Each handler gets the message, its parameters and handled, already true; a handler that
// leaves the message to the rest clears handled. The base's handlers leave everything except
// what the comments below say.
class SkinWindow : public WindowWrapper,
                   public NotifyPump,
                   public INotifyListener,
                   public IMessageFilter,
                   public IBuilderCallback,
                   public IAccessibleWindowDescriber {
 public:
  SkinWindow();

  PaintManager& GetPaintManager() { return paintManager_; }
  const PaintManager& GetPaintManager() const { return paintManager_; }

  const wchar_t* WindowClassName() const override;
  const wchar_t* SuperclassName() const override;
  // CS_DBLCLKS.
  UINT ClassStyle() const override;
  LRESULT ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Takes the window's own registrations out of its manager and lets the manager forget the
  // root's references.
  void OnWindowGone(HWND window) override;
  ~SkinWindow() override;

  // Called once the skin's tree is attached, at the end of WM_CREATE.
  virtual void OnSkinReady();
  // The window cannot be built and the process is about to end: why, in English, for whoever
  // records it. Called before the fatal skin message; must not throw.
  virtual void OnSkinLoadFailed(const std::wstring& reason);
  // "click": "closebtn" closes, "minbtn", "maxbtn" and "restorebtn" send the system command.
  virtual void OnClickNotification(Notification& notification);
  // The folder of loose skin files below the program folder, and the root markup file.
  virtual std::wstring SkinFolderName() const;
  virtual std::wstring SkinFileName() const;
  // Return and Escape seen by the window's filter; Escape requests the close with code 1.
  virtual bool OnDefaultKey(WPARAM key);
  virtual SkinSourceKind SkinSource() const;
  virtual std::wstring SkinPackageFileName() const;
  // The "ZIPRES" resource of the skin package: a decimal integer identifier or a name.
  virtual std::wstring SkinResourceId() const;

  virtual LRESULT HandleClose(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleDestroy(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleNcActivate(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleNcCalcSize(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleNcPaint(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleNcHitTest(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleGetMinMaxInfo(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleMouseWheel(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleMouseHover(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleSize(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleChar(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleCreate(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleKeyDown(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleKillFocus(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleSetFocus(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleLButtonUp(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleMouseMove(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // OBJID_CLIENT: the accessible object over the control tree (AccessibilityHost); other objects
  // are left to the default handling.
  virtual LRESULT HandleGetObject(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Any message without a handler of its own, before the manager sees it.
  virtual LRESULT HandleOtherMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // The window moved to a monitor of another scale (WM_DPICHANGED): ApplyDpiChange.
  virtual LRESULT HandleDpiChanged(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // The window's current style without WS_CAPTION.
  virtual DWORD WindowStyle() const;

  // INotifyListener: hands the notification to the message maps.
  void ReceiveNotification(Notification& notification) override;
  // IMessageFilter: Return and Escape go to OnDefaultKey; handled is never set, so the key goes
  // on to the manager and the controls.
  LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  // IBuilderCallback: no custom controls.
  Control* CreateCustomControl(const wchar_t* elementName) override;
  // IAccessibleWindowDescriber: a client area (ROLE_SYSTEM_CLIENT), the controls as they say.
  long AccessibleWindowRole() const override;
  void RefineAccessibleDescription(const Control& control,
                                   AccessibleDescription& description) const override;

  // One entry: "click" from any control calls OnClickNotification.
  const NotifyMessageMap* GetMessageMap() const override;
  static const NotifyMessageMap kMessageMap;

 protected:
  PaintManager paintManager_;

 private:
  // Ends the process (exit code 1) with the fatal skin message, after telling OnSkinLoadFailed.
  [[noreturn]] void FailSkinLoad(const std::wstring& reason);
  // WM_CREATE's work: the frameless style, the manager attached, the skin built and attached.
  LRESULT BuildWindow();
  bool UseSkinPackageResource();
  void RemoveRegistrations();

  // Disconnected when the window goes; closed first when this object goes.
  AccessibilityHost accessibility_;
};

}  // namespace ui
