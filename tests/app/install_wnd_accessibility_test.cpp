#include <windows.h>

#include <gtest/gtest.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <vector>

#include "app/agreement_page.h"
#include "app/install_wnd.h"
#include "app/product_names.h"
#include "base/com_ptr.h"
#include "base/scoped_com_initializer.h"
#include "tests/support/message_pump.h"
#include "tests/support/mouse_points.h"
#include "ui/controls/progress.h"
#include "ui/controls/tab_layout.h"
#include "ui/core/control.h"
#include "ui/core/skin_settings.h"

// The wizard as a screen reader sees it through Active Accessibility: the client object that
// oleacc hands out for the real window, over the real skin.
namespace {

// The states a row of the tables fixes; the focus depends on where the keyboard is.
constexpr long kStatesChecked = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_UNAVAILABLE |
                                STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_CHECKED;

VARIANT Child(long id) {
  VARIANT child;
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

// The string that ask answers (ask is called with the out parameter), "(none)" when it gave none.
template <typename Ask>
std::wstring AskText(Ask ask) {
  BSTR text = nullptr;
  const HRESULT result = ask(&text);
  std::wstring taken =
      SUCCEEDED(result) && text ? std::wstring(text, ::SysStringLen(text)) : L"(none)";
  ::SysFreeString(text);
  return taken;
}

// What a WinEvent hook of this thread saw, in order.
struct WinEventRecord {
  DWORD event;
  HWND window;
  LONG object;
  LONG child;
};
std::vector<WinEventRecord>& RecordedEvents() {
  static std::vector<WinEventRecord> events;
  return events;
}
void CALLBACK
RecordWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  RecordedEvents().push_back({event, window, object, child});
}

// Records the client object's events of one window from the moment it is made.
class WinEventRecorder {
 public:
  explicit WinEventRecorder(HWND window) : window_(window) {
    RecordedEvents().clear();
    hook_ =
        ::SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, RecordWinEvent, ::GetCurrentProcessId(),
                          ::GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
  }
  ~WinEventRecorder() {
    if (hook_)
      ::UnhookWinEvent(hook_);
  }
  bool Hooked() const { return hook_ != nullptr; }
  bool Saw(DWORD event, LONG child) const {
    for (const WinEventRecord& record : RecordedEvents()) {
      if (record.event == event && record.window == window_ && record.object == OBJID_CLIENT &&
          record.child == child) {
        return true;
      }
    }
    return false;
  }

 private:
  HWND window_;
  HWINEVENTHOOK hook_ = nullptr;
};

class InstallWndAccessibilityTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { ui::SetProgramModule(::GetModuleHandleW(nullptr)); }

  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    wizard_ = std::make_unique<InstallWnd>();
    ASSERT_NE(nullptr, wizard_->CreateNativeWindow(nullptr, product::kWizardTitle,
                                                   InstallWnd::kWindowStyle, 0, 0, 0, 0, 0));
    wizard_->CenterOnMonitor();
    wizard_->ShowNativeWindow(true, true);
    ::UpdateWindow(Window());
    PumpPending();
    ASSERT_HRESULT_SUCCEEDED(
        ::AccessibleObjectFromWindow(Window(), static_cast<DWORD>(OBJID_CLIENT),
                                     __uuidof(IAccessible), accessible_.ReceiveVoid()));
    ASSERT_TRUE(accessible_);
  }

  void TearDown() override {
    accessible_.Reset();
    if (wizard_ && Window())
      ::DestroyWindow(Window());
    wizard_.reset();
    PumpPending();
  }

  HWND Window() const { return wizard_->NativeWindow(); }
  ui::Control* Find(const wchar_t* name) const {
    return wizard_->GetPaintManager().FindControlByName(name);
  }
  long IdOf(const wchar_t* name) const { return Find(name)->GetAccessibleId(); }
  void ShowPage(InstallWnd::Page page) {
    auto* tabs = static_cast<ui::TabLayout*>(Find(L"wizard_setup_tab")->CastTo(L"TabLayout"));
    tabs->SelectItem(page, ui::Notify::No);
    PumpPending();
  }

  // The children's ids as the enumeration gives them.
  std::vector<long> ChildIds() const {
    std::vector<long> ids;
    base::ComPtr<IEnumVARIANT> children;
    if (FAILED(accessible_.QueryInterface(__uuidof(IEnumVARIANT), children)))
      return ids;
    children->Reset();
    VARIANT child;
    ULONG fetched = 0;
    while (children->Next(1, &child, &fetched) == S_OK && fetched == 1) {
      EXPECT_EQ(VT_I4, child.vt);
      ids.push_back(child.lVal);
    }
    return ids;
  }
  std::wstring Name(long id) const {
    return AskText([&](BSTR* text) { return accessible_->get_accName(Child(id), text); });
  }
  std::wstring Value(long id) const {
    return AskText([&](BSTR* text) { return accessible_->get_accValue(Child(id), text); });
  }
  std::wstring DefaultAction(long id) const {
    return AskText([&](BSTR* text) { return accessible_->get_accDefaultAction(Child(id), text); });
  }
  long Role(long id) const {
    VARIANT role;
    return SUCCEEDED(accessible_->get_accRole(Child(id), &role)) && role.vt == VT_I4 ? role.lVal
                                                                                     : -1;
  }
  long State(long id) const {
    VARIANT state;
    return SUCCEEDED(accessible_->get_accState(Child(id), &state)) && state.vt == VT_I4 ? state.lVal
                                                                                        : -1;
  }
  long Focus() const {
    VARIANT focus;
    return accessible_->get_accFocus(&focus) == S_OK && focus.vt == VT_I4 ? focus.lVal : -1;
  }

  base::ScopedComInitializer com_;
  std::unique_ptr<InstallWnd> wizard_;
  base::ComPtr<IAccessible> accessible_;
};

TEST_F(InstallWndAccessibilityTest, WindowIsADialogNamedByItsTitle) {
  EXPECT_EQ(ROLE_SYSTEM_DIALOG, Role(CHILDID_SELF));
  EXPECT_EQ(product::kWizardTitle, Name(CHILDID_SELF));
}

// Each page's children in tree order: the page's own controls, then the title bar's buttons;
// the layouts and spacers stay out, and so does every control of the other pages.
TEST_F(InstallWndAccessibilityTest, EachPageListsItsControlsWithRoleNameStateAndAction) {
  struct Row {
    const wchar_t* control;
    long role;
    const wchar_t* name;
    long states;
    const wchar_t* action;
    std::wstring value;
  };
  struct Page {
    InstallWnd::Page page;
    std::vector<Row> rows;
  };
  const long focusable = STATE_SYSTEM_FOCUSABLE;
  // The field shows the folder after a caption; its value is the folder alone.
  const std::wstring folder = wizard_->installDir();
  ASSERT_FALSE(folder.empty()) << "the default folder is proposed";
  ASSERT_NE(folder, Find(L"edit_dir")->GetText());
  // The progress as the install shows it half way.
  static_cast<ui::Progress*>(Find(L"slr_progress")->CastTo(L"Progress"))->SetValue(45);
  const Page pages[] = {
      {InstallWnd::kConfigurationPage,
       {{L"btn_install", ROLE_SYSTEM_PUSHBUTTON, L"立即安装", focusable, L"Press", L"(none)"},
        {L"ckbox_agree", ROLE_SYSTEM_CHECKBUTTON, L"我已阅读并同意",
         focusable | STATE_SYSTEM_CHECKED, L"Uncheck", L"(none)"},
        {L"btn_agreement", ROLE_SYSTEM_LINK, L"《用户授权合约》", focusable, L"Jump",
         AgreementPageAddress()},
        {L"edit_dir", ROLE_SYSTEM_TEXT, L"安装位置", STATE_SYSTEM_UNAVAILABLE, L"(none)", folder},
        {L"btn_select_dir", ROLE_SYSTEM_PUSHBUTTON, L"浏览", focusable, L"Press", L"(none)"},
        {L"btn_min", ROLE_SYSTEM_PUSHBUTTON, L"最小化", focusable, L"Press", L"(none)"},
        {L"btn_close", ROLE_SYSTEM_PUSHBUTTON, L"关闭", focusable, L"Press", L"(none)"}}},
      {InstallWnd::kInstallingPage,
       {{L"progress_file", ROLE_SYSTEM_STATICTEXT, L"文件名", 0, L"(none)", L"(none)"},
        {L"progress_pos", ROLE_SYSTEM_STATICTEXT, L"(none)", 0, L"(none)", L"(none)"},
        {L"slr_progress", ROLE_SYSTEM_PROGRESSBAR, L"安装进度", focusable, L"(none)", L"45%"},
        {L"progress_tip", ROLE_SYSTEM_STATICTEXT, L"总大小", 0, L"(none)", L"(none)"},
        {L"btn_min", ROLE_SYSTEM_PUSHBUTTON, L"最小化", focusable, L"Press", L"(none)"},
        {L"btn_close", ROLE_SYSTEM_PUSHBUTTON, L"关闭", focusable, L"Press", L"(none)"}}},
      {InstallWnd::kFinishPage,
       {{L"btn_exec", ROLE_SYSTEM_PUSHBUTTON, L"立即体验", focusable, L"Press", L"(none)"},
        {L"btn_min", ROLE_SYSTEM_PUSHBUTTON, L"最小化", focusable, L"Press", L"(none)"},
        {L"btn_close", ROLE_SYSTEM_PUSHBUTTON, L"关闭", focusable, L"Press", L"(none)"}}},
  };
  for (const Page& page : pages) {
    SCOPED_TRACE(testing::Message() << "page " << page.page);
    ShowPage(page.page);
    std::vector<long> expectedIds;
    for (const Row& row : page.rows)
      expectedIds.push_back(IdOf(row.control));
    EXPECT_EQ(expectedIds, ChildIds());
    long count = -1;
    EXPECT_HRESULT_SUCCEEDED(accessible_->get_accChildCount(&count));
    EXPECT_EQ(static_cast<long>(page.rows.size()), count);
    for (const Row& row : page.rows) {
      SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(row.control)));
      const long id = IdOf(row.control);
      EXPECT_EQ(row.role, Role(id));
      EXPECT_EQ(row.name, Name(id));
      EXPECT_EQ(row.states, State(id) & kStatesChecked);
      EXPECT_EQ(row.action, DefaultAction(id));
      EXPECT_EQ(row.value, Value(id));
    }
  }
  // The ids name the same controls on every page.
  EXPECT_EQ(Name(IdOf(L"btn_close")), L"关闭");
  VARIANT role;
  EXPECT_EQ(E_INVALIDARG, accessible_->get_accRole(Child(IdOf(L"btn_install")), &role))
      << "a control of a page that is not shown is no child";
}

// The default action runs on the window's thread, as a click would: unchecking the agreement
// hides the install button, checking it again shows it, and the hook hears of each change.
TEST_F(InstallWndAccessibilityTest, DefaultActionOnTheCheckBoxHidesAndShowsTheInstallButton) {
  WinEventRecorder events(Window());
  ASSERT_TRUE(events.Hooked());
  const long agreement = IdOf(L"ckbox_agree");
  const long install = IdOf(L"btn_install");

  ASSERT_HRESULT_SUCCEEDED(accessible_->accDoDefaultAction(Child(agreement)));
  ASSERT_TRUE(PumpUntil([&] { return (State(install) & STATE_SYSTEM_INVISIBLE) != 0; }));
  EXPECT_EQ(0, State(agreement) & STATE_SYSTEM_CHECKED);
  EXPECT_EQ(L"Check", DefaultAction(agreement));
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, accessible_->accDoDefaultAction(Child(install)))
      << "a hidden button cannot be pressed";
  EXPECT_TRUE(PumpUntil([&] { return events.Saw(EVENT_OBJECT_HIDE, install); }));
  EXPECT_TRUE(events.Saw(EVENT_OBJECT_STATECHANGE, agreement));

  ASSERT_HRESULT_SUCCEEDED(accessible_->accDoDefaultAction(Child(agreement)));
  ASSERT_TRUE(PumpUntil([&] { return (State(install) & STATE_SYSTEM_INVISIBLE) == 0; }));
  EXPECT_NE(0, State(agreement) & STATE_SYSTEM_CHECKED);
  EXPECT_TRUE(PumpUntil([&] { return events.Saw(EVENT_OBJECT_SHOW, install); }));
}

// Tab moves the framework's focus; the client object follows it and tells a hook which child
// has it.
TEST_F(InstallWndAccessibilityTest, TabMovesTheFocusAndTheHookHearsOfIt) {
  ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() == Window(); }));
  WinEventRecorder events(Window());
  ASSERT_TRUE(events.Hooked());
  for (int press = 0; press < 3; ++press) {
    SCOPED_TRACE(testing::Message() << "Tab " << press + 1);
    const ui::Control* before = wizard_->GetPaintManager().GetFocusControl();
    ::PostMessageW(Window(), WM_KEYDOWN, VK_TAB, 0);
    ::PostMessageW(Window(), WM_KEYUP, VK_TAB, 0);
    ASSERT_TRUE(PumpUntil([&] {
      const ui::Control* now = wizard_->GetPaintManager().GetFocusControl();
      return now && now != before;
    }));
    const long id = wizard_->GetPaintManager().GetFocusControl()->GetAccessibleId();
    EXPECT_EQ(id, Focus());
    EXPECT_NE(0, State(id) & STATE_SYSTEM_FOCUSED);
    EXPECT_TRUE(PumpUntil([&] { return events.Saw(EVENT_OBJECT_FOCUS, id); }));
  }
}

// accSelect takes the focus for a control; navigation walks the children in order and across
// the page; a hit test at a control's centre finds it.
TEST_F(InstallWndAccessibilityTest, FocusNavigationAndHitTestingReachTheControls) {
  const long browse = IdOf(L"btn_select_dir");
  ASSERT_HRESULT_SUCCEEDED(accessible_->accSelect(SELFLAG_TAKEFOCUS, Child(browse)));
  EXPECT_EQ(browse, Focus());
  EXPECT_EQ(Find(L"btn_select_dir"), wizard_->GetPaintManager().GetFocusControl());

  struct Step {
    long direction;
    const wchar_t* from;  // null: the client itself
    const wchar_t* to;
  };
  const Step steps[] = {
      {NAVDIR_FIRSTCHILD, nullptr, L"btn_install"},
      {NAVDIR_LASTCHILD, nullptr, L"btn_close"},
      {NAVDIR_NEXT, L"btn_install", L"ckbox_agree"},
      {NAVDIR_PREVIOUS, L"ckbox_agree", L"btn_install"},
      {NAVDIR_RIGHT, L"edit_dir", L"btn_select_dir"},
      {NAVDIR_LEFT, L"btn_close", L"btn_min"},
      {NAVDIR_DOWN, L"btn_install", L"btn_agreement"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message()
                 << step.direction << " from "
                 << (step.from ? testing::PrintToString(std::wstring(step.from)) : "the client"));
    VARIANT end;
    ASSERT_EQ(S_OK, accessible_->accNavigate(
                        step.direction, Child(step.from ? IdOf(step.from) : CHILDID_SELF), &end));
    EXPECT_EQ(VT_I4, end.vt);
    EXPECT_EQ(IdOf(step.to), end.lVal);
  }
  VARIANT end;
  EXPECT_EQ(S_FALSE, accessible_->accNavigate(NAVDIR_NEXT, Child(IdOf(L"btn_close")), &end));
}

// The locations are the rectangles the controls are drawn in, on the screen; a hit test at each
// centre finds the control drawn there.
TEST_F(InstallWndAccessibilityTest, LocationsAreTheDrawnRectanglesOnTheScreen) {
  POINT origin = {0, 0};
  ASSERT_TRUE(::ClientToScreen(Window(), &origin));
  for (InstallWnd::Page page :
       {InstallWnd::kConfigurationPage, InstallWnd::kInstallingPage, InstallWnd::kFinishPage}) {
    ShowPage(page);
    ::UpdateWindow(Window());
    for (long id : ChildIds()) {
      SCOPED_TRACE(testing::Message()
                   << "page " << page << ", " << testing::PrintToString(Name(id)));
      const ui::Control* control = nullptr;
      for (const wchar_t* name : {L"btn_install", L"ckbox_agree", L"btn_agreement", L"edit_dir",
                                  L"btn_select_dir", L"btn_min", L"btn_close", L"progress_file",
                                  L"progress_pos", L"slr_progress", L"progress_tip", L"btn_exec"}) {
        if (IdOf(name) == id)
          control = Find(name);
      }
      ASSERT_NE(nullptr, control);
      const RECT drawn = control->GetRect();
      ASSERT_LT(drawn.left, drawn.right);
      long left = 0, top = 0, width = 0, height = 0;
      ASSERT_HRESULT_SUCCEEDED(accessible_->accLocation(&left, &top, &width, &height, Child(id)));
      EXPECT_EQ(origin.x + drawn.left, left);
      EXPECT_EQ(origin.y + drawn.top, top);
      EXPECT_EQ(drawn.right - drawn.left, width);
      EXPECT_EQ(drawn.bottom - drawn.top, height);
      VARIANT hit;
      const POINT center = CenterOf(drawn);
      ASSERT_EQ(S_OK, accessible_->accHitTest(origin.x + center.x, origin.y + center.y, &hit));
      EXPECT_EQ(VT_I4, hit.vt);
      EXPECT_EQ(id, hit.lVal);
    }
  }
}

// A client may keep the object after the window has gone: every call then answers that the
// object is no longer connected, and none touches the freed controls.
TEST_F(InstallWndAccessibilityTest, CallsAfterTheWindowIsGoneAnswerNotConnected) {
  const long install = IdOf(L"btn_install");
  ::DestroyWindow(Window());
  wizard_.reset();
  PumpPending();
  long count = 0;
  EXPECT_EQ(CO_E_OBJNOTCONNECTED, accessible_->get_accChildCount(&count));
  BSTR name = nullptr;
  EXPECT_EQ(CO_E_OBJNOTCONNECTED, accessible_->get_accName(Child(install), &name));
  EXPECT_EQ(nullptr, name);
  EXPECT_EQ(CO_E_OBJNOTCONNECTED, accessible_->accDoDefaultAction(Child(install)));
  VARIANT focus;
  EXPECT_EQ(CO_E_OBJNOTCONNECTED, accessible_->get_accFocus(&focus));
  long left, top, width, height;
  EXPECT_EQ(CO_E_OBJNOTCONNECTED,
            accessible_->accLocation(&left, &top, &width, &height, Child(CHILDID_SELF)));
  base::ComPtr<IEnumVARIANT> children;
  ASSERT_HRESULT_SUCCEEDED(accessible_.QueryInterface(__uuidof(IEnumVARIANT), children));
  VARIANT child;
  ULONG fetched = 0;
  EXPECT_EQ(CO_E_OBJNOTCONNECTED, children->Next(1, &child, &fetched));
}

}  // namespace
