#include "ui/core/control_tree_accessible.h"

#include <string>
#include <utility>

#include "base/com_ptr.h"
#include "base/exception_barrier.h"
#include "ui/core/control.h"
#include "ui/core/paint_manager.h"
#include "ui/core/ui_thread_queue.h"

namespace ui {
namespace {

void SetEmpty(VARIANT* variant) {
  ::VariantInit(variant);
}

void SetId(VARIANT* variant, long id) {
  variant->vt = VT_I4;
  variant->lVal = id;
}

// A string answer: S_FALSE and no string when there is nothing to say.
HRESULT ReturnText(const std::wstring& text, BSTR* out) {
  if (text.empty())
    return S_FALSE;
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

// The describer of a disconnected object, whose tree is empty.
class NoWindowDescriber final : public IAccessibleWindowDescriber {
 public:
  long AccessibleWindowRole() const override { return 0; }
  void RefineAccessibleDescription(const Control&, AccessibleDescription&) const override {}
};

}  // namespace

ControlTreeAccessible::ControlTreeAccessible(PaintManager& manager,
                                             const IAccessibleWindowDescriber& describer,
                                             std::shared_ptr<UiThreadQueue> uiQueue)
    : connection_(std::make_shared<Connection>()) {
  connection_->manager = &manager;
  connection_->describer = &describer;
  connection_->uiQueue = std::move(uiQueue);
}

ControlTreeAccessible::ControlTreeAccessible(std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)) {}

void ControlTreeAccessible::Disconnect() {
  connection_->manager = nullptr;
  connection_->describer = nullptr;
  connection_->uiQueue.reset();
}

HWND ControlTreeAccessible::Window() const {
  return connection_->manager ? connection_->manager->PaintWindow() : nullptr;
}

AccessibleTree ControlTreeAccessible::TreeOf(const Connection& connection) {
  static const NoWindowDescriber noWindow;
  if (!connection.manager)
    return AccessibleTree(nullptr, noWindow);
  return AccessibleTree(connection.manager->GetRoot(), *connection.describer);
}

Control* ControlTreeAccessible::ChildById(const Connection& connection, long childId) {
  return TreeOf(connection).ChildById(childId);
}

HRESULT ControlTreeAccessible::ResolveChild(const AccessibleTree& tree,
                                            const VARIANT& child,
                                            Control*& control) const {
  control = nullptr;
  if (!Window())
    return CO_E_OBJNOTCONNECTED;
  if (child.vt != VT_I4)
    return E_INVALIDARG;
  if (child.lVal == CHILDID_SELF)
    return S_OK;
  control = tree.ChildById(child.lVal);
  return control ? S_OK : E_INVALIDARG;
}

RECT ControlTreeAccessible::ScreenRect(const Control* control) const {
  const HWND window = Window();
  RECT rect = {};
  if (control)
    rect = control->GetRect();
  else
    ::GetClientRect(window, &rect);
  ::MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool ControlTreeAccessible::RunOnWindowThread(bool now,
                                              std::function<void(Control&)> task,
                                              long childId) const {
  // The control is looked up again when the task runs: it may be gone or hidden by then.
  auto run = [connection = connection_, childId, task = std::move(task)] {
    if (Control* control = ChildById(*connection, childId))
      task(*control);
  };
  if (now && ::GetWindowThreadProcessId(Window(), nullptr) == ::GetCurrentThreadId()) {
    run();
    return true;
  }
  return connection_->uiQueue && connection_->uiQueue->Post(std::move(run));
}

STDMETHODIMP ControlTreeAccessible::GetTypeInfoCount(UINT* count) noexcept {
  if (!count)
    return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP ControlTreeAccessible::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
  if (info)
    *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ControlTreeAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept {
  return E_NOTIMPL;
}

STDMETHODIMP ControlTreeAccessible::Invoke(DISPID,
                                           REFIID,
                                           LCID,
                                           WORD,
                                           DISPPARAMS*,
                                           VARIANT*,
                                           EXCEPINFO*,
                                           UINT*) noexcept {
  return E_NOTIMPL;
}

// The window's own object (its frame), as the system makes it.
STDMETHODIMP ControlTreeAccessible::get_accParent(IDispatch** parent) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (!parent)
      return E_POINTER;
    *parent = nullptr;
    const HWND window = Window();
    if (!window)
      return CO_E_OBJNOTCONNECTED;
    return ::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                        reinterpret_cast<void**>(parent));
  });
}

STDMETHODIMP ControlTreeAccessible::get_accChildCount(long* count) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (!count)
      return E_POINTER;
    *count = 0;
    if (!Window())
      return CO_E_OBJNOTCONNECTED;
    *count = static_cast<long>(Tree().Children().size());
    return S_OK;
  });
}

// The children are simple elements: no object of their own.
STDMETHODIMP ControlTreeAccessible::get_accChild(VARIANT child, IDispatch** object) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (!object)
      return E_POINTER;
    *object = nullptr;
    if (!Window())
      return CO_E_OBJNOTCONNECTED;
    const AccessibleTree tree = Tree();
    Control* control = nullptr;
    if (ResolveChild(tree, child, control) != S_OK || !control)
      return E_INVALIDARG;
    return S_FALSE;
  });
}

STDMETHODIMP ControlTreeAccessible::get_accName(VARIANT child, BSTR* name) noexcept {
  return DescribedText(child, &AccessibleDescription::name, name);
}

HRESULT ControlTreeAccessible::DescribedText(const VARIANT& child,
                                             std::wstring AccessibleDescription::*field,
                                             BSTR* text) const noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (!text)
      return E_POINTER;
    *text = nullptr;
    const HWND window = Window();
    if (!window)
      return CO_E_OBJNOTCONNECTED;
    const AccessibleTree tree = Tree();
    Control* control = nullptr;
    if (HRESULT result = ResolveChild(tree, child, control); result != S_OK)
      return result;
    if (control)
      return ReturnText(tree.Describe(*control).*field, text);
    // The window itself has a name, its title, and no value or action.
    if (field != &AccessibleDescription::name)
      return S_FALSE;
    std::wstring title(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    title.resize(static_cast<size_t>(
        ::GetWindowTextW(window, title.data(), static_cast<int>(title.size()))));
    return ReturnText(title, text);
  });
}

STDMETHODIMP ControlTreeAccessible::get_accValue(VARIANT child, BSTR* value) noexcept {
  return DescribedText(child, &AccessibleDescription::value, value);
}

STDMETHODIMP ControlTreeAccessible::get_accDescription(VARIANT child, BSTR* description) noexcept {
  return get_accHelp(child, description);
}

STDMETHODIMP ControlTreeAccessible::get_accRole(VARIANT child, VARIANT* role) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (!role)
      return E_POINTER;
    SetEmpty(role);
    const AccessibleTree tree = Tree();
    Control* control = nullptr;
    if (HRESULT result = ResolveChild(tree, child, control); result != S_OK)
      return result;
    SetId(role,
          control ? tree.Describe(*control).role : connection_->describer->AccessibleWindowRole());
    return S_OK;
  });
}

STDMETHODIMP ControlTreeAccessible::get_accState(VARIANT child, VARIANT* state) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (!state)
      return E_POINTER;
    SetEmpty(state);
    const HWND window = Window();
    if (!window)
      return CO_E_OBJNOTCONNECTED;
    const AccessibleTree tree = Tree();
    Control* control = nullptr;
    if (HRESULT result = ResolveChild(tree, child, control); result != S_OK)
      return result;
    long bits = 0;
    if (control) {
      bits = static_cast<long>(tree.Describe(*control).state);
    } else {
      bits = STATE_SYSTEM_FOCUSABLE;
      if (::GetFocus() == window)
        bits |= STATE_SYSTEM_FOCUSED;
      if (!::IsWindowVisible(window))
        bits |= STATE_SYSTEM_INVISIBLE;
    }
    SetId(state, bits);
    return S_OK;
  });
}

STDMETHODIMP ControlTreeAccessible::get_accHelp(VARIANT child, BSTR* help) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (!help)
      return E_POINTER;
    *help = nullptr;
    const AccessibleTree tree = Tree();
    Control* control = nullptr;
    if (HRESULT result = ResolveChild(tree, child, control); result != S_OK)
      return result;
    return S_FALSE;
  });
}

STDMETHODIMP ControlTreeAccessible::get_accHelpTopic(BSTR* helpFile,
                                                     VARIANT,
                                                     long* topic) noexcept {
  if (helpFile)
    *helpFile = nullptr;
  if (topic)
    *topic = -1;
  return Window() ? S_FALSE : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP ControlTreeAccessible::get_accKeyboardShortcut(VARIANT child,
                                                            BSTR* shortcut) noexcept {
  return get_accHelp(child, shortcut);
}

STDMETHODIMP ControlTreeAccessible::get_accFocus(VARIANT* focus) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (!focus)
      return E_POINTER;
    SetEmpty(focus);
    const HWND window = Window();
    if (!window)
      return CO_E_OBJNOTCONNECTED;
    if (::GetFocus() != window)
      return S_FALSE;
    const Control* focused = connection_->manager->GetFocusControl();
    SetId(focus, Tree().IsShownChild(focused) ? focused->GetAccessibleId() : CHILDID_SELF);
    return S_OK;
  });
}

STDMETHODIMP ControlTreeAccessible::get_accSelection(VARIANT* selection) noexcept {
  if (!selection)
    return E_POINTER;
  SetEmpty(selection);
  return Window() ? S_FALSE : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP ControlTreeAccessible::get_accDefaultAction(VARIANT child, BSTR* action) noexcept {
  return DescribedText(child, &AccessibleDescription::defaultAction, action);
}

// Only the focus can be taken: nothing in the tree is selectable.
STDMETHODIMP ControlTreeAccessible::accSelect(long flags, VARIANT child) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    const HWND window = Window();
    if (!window)
      return CO_E_OBJNOTCONNECTED;
    const AccessibleTree tree = Tree();
    Control* control = nullptr;
    if (HRESULT result = ResolveChild(tree, child, control); result != S_OK)
      return result;
    if (flags != SELFLAG_TAKEFOCUS)
      return DISP_E_MEMBERNOTFOUND;
    if (!control)
      return ::SetFocus(window) || ::GetFocus() == window ? S_OK : S_FALSE;
    if ((tree.Describe(*control).state & STATE_SYSTEM_FOCUSABLE) == 0)
      return S_FALSE;
    const bool done = RunOnWindowThread(
        true, [](Control& target) { target.SetFocus(); }, control->GetAccessibleId());
    // The control's SetFocus keeps the window's focus as it is: take it for the window too.
    if (done && ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId())
      ::SetFocus(window);
    return done ? S_OK : E_FAIL;
  });
}

STDMETHODIMP ControlTreeAccessible::accLocation(long* left,
                                                long* top,
                                                long* width,
                                                long* height,
                                                VARIANT child) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (!left || !top || !width || !height)
      return E_POINTER;
    *left = *top = *width = *height = 0;
    const AccessibleTree tree = Tree();
    Control* control = nullptr;
    if (HRESULT result = ResolveChild(tree, child, control); result != S_OK)
      return result;
    const RECT rect = ScreenRect(control);
    *left = rect.left;
    *top = rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
  });
}

STDMETHODIMP ControlTreeAccessible::accNavigate(long direction,
                                                VARIANT start,
                                                VARIANT* end) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (!end)
      return E_POINTER;
    SetEmpty(end);
    const AccessibleTree tree = Tree();
    Control* from = nullptr;
    if (HRESULT result = ResolveChild(tree, start, from); result != S_OK)
      return result;
    if (direction < NAVDIR_UP || direction > NAVDIR_LASTCHILD)
      return E_INVALIDARG;
    // The client's siblings belong to the window's own object.
    if (Control* reached = tree.Navigate(from, direction)) {
      SetId(end, reached->GetAccessibleId());
      return S_OK;
    }
    return S_FALSE;
  });
}

// The shown child on top at the point (later in the tree paints over earlier), else the client.
STDMETHODIMP ControlTreeAccessible::accHitTest(long x, long y, VARIANT* child) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (!child)
      return E_POINTER;
    SetEmpty(child);
    if (!Window())
      return CO_E_OBJNOTCONNECTED;
    POINT point = {x, y};
    const RECT client = ScreenRect(nullptr);
    if (!::PtInRect(&client, point))
      return S_FALSE;
    ::MapWindowPoints(HWND_DESKTOP, Window(), &point, 1);
    const Control* hit = Tree().HitTest(point);
    SetId(child, hit ? hit->GetAccessibleId() : CHILDID_SELF);
    return S_OK;
  });
}

STDMETHODIMP ControlTreeAccessible::accDoDefaultAction(VARIANT child) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    const AccessibleTree tree = Tree();
    Control* control = nullptr;
    if (HRESULT result = ResolveChild(tree, child, control); result != S_OK)
      return result;
    if (!control)
      return DISP_E_MEMBERNOTFOUND;
    const AccessibleDescription description = tree.Describe(*control);
    if (description.defaultAction.empty() ||
        (description.state & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE)) != 0) {
      return DISP_E_MEMBERNOTFOUND;
    }
    return RunOnWindowThread(
               false, [](Control& target) { target.Activate(); }, control->GetAccessibleId())
               ? S_OK
               : E_FAIL;
  });
}

// Names and values come from the skin and the controls; clients do not set them.
STDMETHODIMP ControlTreeAccessible::put_accName(VARIANT, BSTR) noexcept {
  return Window() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP ControlTreeAccessible::put_accValue(VARIANT, BSTR) noexcept {
  return Window() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP ControlTreeAccessible::Next(ULONG count, VARIANT* children, ULONG* fetched) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (fetched)
      *fetched = 0;
    if (!children || (count > 1 && !fetched))
      return E_POINTER;
    if (!Window())
      return CO_E_OBJNOTCONNECTED;
    const AccessibleTree tree = Tree();
    const std::vector<Control*>& all = tree.Children();
    ULONG taken = 0;
    while (taken < count && cursor_ < all.size()) {
      SetId(&children[taken], all[cursor_]->GetAccessibleId());
      ++taken;
      ++cursor_;
    }
    if (fetched)
      *fetched = taken;
    return taken == count ? S_OK : S_FALSE;
  });
}

STDMETHODIMP ControlTreeAccessible::Skip(ULONG count) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (!Window())
      return CO_E_OBJNOTCONNECTED;
    const size_t size = Tree().Children().size();
    const bool enough = cursor_ + count <= size;
    cursor_ = enough ? cursor_ + count : static_cast<ULONG>(size);
    return enough ? S_OK : S_FALSE;
  });
}

STDMETHODIMP ControlTreeAccessible::Reset() noexcept {
  cursor_ = 0;
  return Window() ? S_OK : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP ControlTreeAccessible::Clone(IEnumVARIANT** copy) noexcept {
  return base::CatchAll([&]() -> HRESULT {
    if (!copy)
      return E_POINTER;
    *copy = nullptr;
    if (!Window())
      return CO_E_OBJNOTCONNECTED;
    base::ComPtr<ControlTreeAccessible> clone(new ControlTreeAccessible(connection_));
    clone->cursor_ = cursor_;
    *copy = clone.Get();
    (*copy)->AddRef();
    return S_OK;
  });
}

}  // namespace ui
