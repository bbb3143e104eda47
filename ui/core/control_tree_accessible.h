#pragma once

#include <windows.h>

#include <oleacc.h>

#include <functional>
#include <memory>
#include <vector>

#include "base/com_object.h"
#include "ui/core/accessible_tree.h"

namespace base {

// IAccessible extends IDispatch: a client may ask for either.
template <>
struct InterfaceIds<IAccessible> {
  static bool Match(REFIID iid) { return iid == __uuidof(IAccessible) || iid == IID_IDispatch; }
};

}  // namespace base

namespace ui {

class PaintManager;
class UiThreadQueue;

// The Active Accessibility object of a window's client area: a COM shell over an AccessibleTree
// of its paint manager's controls, whose children are simple elements (no objects of their own)
// numbered by their accessible ids. It answers on the window's thread, where
// cross-process calls arrive through the message loop. Default actions are posted to that
// thread's queue rather than run inside the call, so that a client never waits on what a
// control starts (a modal dialog, the end of the window). The window calls Disconnect when it
// goes; from then on every call answers CO_E_OBJNOTCONNECTED, while clients may still hold the
// object.
class ControlTreeAccessible : public base::ComObject<IAccessible, IEnumVARIANT> {
 public:
  // describer and manager must stay valid until Disconnect.
  ControlTreeAccessible(PaintManager& manager,
                        const IAccessibleWindowDescriber& describer,
                        std::shared_ptr<UiThreadQueue> uiQueue);
  void Disconnect();

  // IDispatch: no type information; clients use the IAccessible methods directly.
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept override;
  STDMETHODIMP GetIDsOfNames(REFIID iid,
                             LPOLESTR* names,
                             UINT count,
                             LCID locale,
                             DISPID* ids) noexcept override;
  STDMETHODIMP Invoke(DISPID id,
                      REFIID iid,
                      LCID locale,
                      WORD flags,
                      DISPPARAMS* parameters,
                      VARIANT* result,
                      EXCEPINFO* exception,
                      UINT* argumentError) noexcept override;

  // IAccessible.
  STDMETHODIMP get_accParent(IDispatch** parent) noexcept override;
  STDMETHODIMP get_accChildCount(long* count) noexcept override;
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) noexcept override;
  STDMETHODIMP get_accName(VARIANT child, BSTR* name) noexcept override;
  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) noexcept override;
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) noexcept override;
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) noexcept override;
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) noexcept override;
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) noexcept override;
  STDMETHODIMP get_accHelpTopic(BSTR* helpFile, VARIANT child, long* topic) noexcept override;
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) noexcept override;
  STDMETHODIMP get_accFocus(VARIANT* focus) noexcept override;
  STDMETHODIMP get_accSelection(VARIANT* selection) noexcept override;
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) noexcept override;
  STDMETHODIMP accSelect(long flags, VARIANT child) noexcept override;
  STDMETHODIMP accLocation(long* left,
                           long* top,
                           long* width,
                           long* height,
                           VARIANT child) noexcept override;
  STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) noexcept override;
  STDMETHODIMP accHitTest(long x, long y, VARIANT* child) noexcept override;
  STDMETHODIMP accDoDefaultAction(VARIANT child) noexcept override;
  STDMETHODIMP put_accName(VARIANT child, BSTR name) noexcept override;
  STDMETHODIMP put_accValue(VARIANT child, BSTR value) noexcept override;

  // IEnumVARIANT: the children's ids, as VT_I4.
  STDMETHODIMP Next(ULONG count, VARIANT* children, ULONG* fetched) noexcept override;
  STDMETHODIMP Skip(ULONG count) noexcept override;
  STDMETHODIMP Reset() noexcept override;
  STDMETHODIMP Clone(IEnumVARIANT** copy) noexcept override;

 private:
  // What every copy made by Clone shares, so that one Disconnect reaches them all.
  struct Connection {
    PaintManager* manager = nullptr;
    const IAccessibleWindowDescriber* describer = nullptr;
    std::shared_ptr<UiThreadQueue> uiQueue;
  };

  explicit ControlTreeAccessible(std::shared_ptr<Connection> connection);

  // The tree as it is now; no children once disconnected.
  static AccessibleTree TreeOf(const Connection& connection);
  // The child of that id in TreeOf(connection); null when there is none.
  static Control* ChildById(const Connection& connection, long childId);
  // The window while connected, else null.
  HWND Window() const;
  AccessibleTree Tree() const { return TreeOf(*connection_); }
  // S_OK with control (null for CHILDID_SELF), E_INVALIDARG for anything that is no child,
  // CO_E_OBJNOTCONNECTED once the window is gone.
  HRESULT ResolveChild(const AccessibleTree& tree, const VARIANT& child, Control*& control) const;
  // One text of the child's description (the window's title for the window's name) as a BSTR.
  HRESULT DescribedText(const VARIANT& child,
                        std::wstring AccessibleDescription::*field,
                        BSTR* text) const noexcept;
  // The control's rectangle, or the client area for null, in screen pixels.
  RECT ScreenRect(const Control* control) const;
  // Runs task on the window's thread: now when called there and now is true, else through the
  // window's queue. False when it cannot be queued.
  bool RunOnWindowThread(bool now, std::function<void(Control&)> task, long childId) const;

  std::shared_ptr<Connection> connection_;
  // The enumeration's position among the children.
  ULONG cursor_ = 0;
};

}  // namespace ui
