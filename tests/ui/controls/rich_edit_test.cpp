#include "ui/controls/rich_edit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/com_ptr.h"
#include "tests/support/control_helpers.h"
#include "tests/support/message_pump.h"
#include "tests/support/mouse_points.h"
#include "tests/support/rect_compare.h"
#include "tests/ui/core/window_test_support.h"
#include "ui/controls/rich_edit_host.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/text_services_library.h"
#include "ui/core/markup_document.h"

namespace ui {
namespace {

using testing_support::Attributes;
using testing_support::ManagedWindow;
using testing_support::NotificationLog;
using testing_support::TestSkinWindow;

// The field the installer shows: single-line, Return told to the window instead of typed.
const Attributes kFolderField = {{L"multiline", L"false"},      {L"autohscroll", L"false"},
                                 {L"wantreturn", L"false"},     {L"wantctrlreturn", L"false"},
                                 {L"textcolor", L"0xFF000000"}, {L"inset", L"5,7,2,2"}};

// The edit's rectangle in the window: the root's inset leaves exactly it.
constexpr RECT kEditRect = {20, 20, 240, 50};

// A window that is shown takes the platform focus and shows its pixels; a hidden one is quicker
// to make and serves the rest.
enum class Shown { No, Yes };

// A rich edit in a real window that its paint manager serves, laid out at kEditRect, with a log
// of the manager's notifications.
struct EditWindow {
  EditWindow(Attributes attributes, std::wstring_view text, Shown shown)
      : window(&manager,
               shown == Shown::Yes ? WS_POPUP | WS_VISIBLE : WS_POPUP,
               nullptr,
               RECT{100, 100, 400, 300}) {
    manager.AttachWindow(window.Get());
    root->SetAttribute(L"inset", L"20,20,60,150");
    edit = testing_support::Make<RichEdit>(attributes);
    if (!text.empty())
      edit->SetText(text);
    root->Add(edit);
    manager.AttachRoot(root);
    manager.AddListener(&log);
    // A hidden window gets no paint, which would lay the tree out.
    RECT client;
    ::GetClientRect(window.Get(), &client);
    manager.RunLayoutPass(client);
    ::UpdateWindow(window.Get());
  }

  NotificationLog log;  // outlives the manager, which may still notify while it tears down
  PaintManager manager;
  ManagedWindow window;
  Container* root = new Container;
  RichEdit* edit = nullptr;
};

class RichEditTest : public testing::Test {
 protected:
  void SetUp() override { ::GetKeyboardState(savedKeys_); }
  void TearDown() override { ::SetKeyboardState(savedKeys_); }

  RichEdit* Create(Attributes attributes, std::wstring_view text = {}, Shown shown = Shown::No) {
    harness_.reset();
    harness_ = std::make_unique<EditWindow>(attributes, text, shown);
    edit_ = harness_->edit;
    root_ = harness_->root;
    return edit_;
  }

  HWND Window() const { return harness_->window.Get(); }
  PaintManager& Manager() { return harness_->manager; }

  int Count(const wchar_t* type) const {
    int count = 0;
    for (const auto& entry : harness_->log.received)
      count += entry.type == type ? 1 : 0;
    return count;
  }

  void Type(std::wstring_view text) {
    for (wchar_t character : text)
      ::SendMessageW(Window(), WM_CHAR, character, 1);
  }

  // A key as the keyboard gives it: the key-down is posted and the message loop translates it
  // into its character, which follows.
  void PressKey(WPARAM key) {
    ::PostMessageW(Window(), WM_KEYDOWN, key, 1);
    ::PostMessageW(Window(), WM_KEYUP, key, 0xC0000001);
    bool upSeen = false;
    PumpUntil([&] {
      upSeen = upSeen || ::GetQueueStatus(QS_KEY) == 0;
      return upSeen;
    });
    PumpPending();
  }

  void HoldControl(bool held) {
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = held ? 0x80 : 0;
    ::SetKeyboardState(keys);
  }

  CHARRANGE Selection() {
    CHARRANGE range = {-1, -1};
    LRESULT result = 0;
    edit_->GetHost()->Services()->TxSendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range),
                                                &result);
    return range;
  }

  void Click(POINT point) {
    ::SendMessageW(Window(), WM_LBUTTONDOWN, MK_LBUTTON, PointParam(point.x, point.y));
    ::SendMessageW(Window(), WM_LBUTTONUP, 0, PointParam(point.x, point.y));
  }

  std::unique_ptr<EditWindow> harness_;
  Container* root_ = nullptr;
  RichEdit* edit_ = nullptr;
  BYTE savedKeys_[256] = {};
};

TEST_F(RichEditTest, TypingChangesTheTextAndTellsEachChangeOnce) {
  Create({});
  ASSERT_NE(nullptr, edit_->GetHost()) << "msftedit's text services are needed";
  EXPECT_EQ(kEditRect, edit_->GetRect());
  edit_->SetFocus();
  ASSERT_TRUE(edit_->IsFocused());

  Type(L"ab");
  EXPECT_EQ(L"ab", edit_->GetText());
  EXPECT_EQ(2, Count(L"textchanged"));
  EXPECT_EQ(2, edit_->GetTextLength());

  PressKey(VK_BACK);
  EXPECT_EQ(L"a", edit_->GetText());
  EXPECT_EQ(3, Count(L"textchanged"));

  // "maxchar" limits what typing adds.
  edit_->SetAttribute(L"maxchar", L"3");
  Type(L"bc");
  EXPECT_EQ(5, Count(L"textchanged"));
  Type(L"d");
  EXPECT_EQ(L"abc", edit_->GetText());

  // Keys reach the service only while the control has the focus.
  Manager().SetFocusControl(nullptr, PlatformFocus::Keep);
  const int changes = Count(L"textchanged");
  Type(L"x");
  EXPECT_EQ(L"abc", edit_->GetText());
  EXPECT_EQ(changes, Count(L"textchanged"));
}

TEST_F(RichEditTest, ReturnGoesToTheTextOnlyWhenWanted) {
  struct Case {
    const char* description;
    Attributes attributes;
    bool control;
    int returns;
    std::wstring text;
  };
  const Case kCases[] = {
      {"the folder field: Return is told, not typed", kFolderField, false, 1, L"ab"},
      {"the folder field: Ctrl+Return likewise", kFolderField, true, 1, L"ab"},
      {"a multi-line edit takes Return", {}, false, 0, L"ab\r"},
      {"Ctrl+Return told when only Return is wanted",
       {{L"wantctrlreturn", L"false"}},
       true,
       1,
       L"ab"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    Create(c.attributes, L"ab");
    ASSERT_NE(nullptr, edit_->GetHost());
    edit_->SetFocus();
    CHARRANGE end = {2, 2};
    LRESULT result = 0;
    edit_->GetHost()->Services()->TxSendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end),
                                                &result);
    HoldControl(c.control);
    PressKey(VK_RETURN);
    HoldControl(false);
    EXPECT_EQ(c.returns, Count(L"return"));
    EXPECT_EQ(c.text, edit_->GetText());
  }
}

TEST_F(RichEditTest, ClickInTheInsetTakesTheFocusButLeavesTheCaret) {
  Create(kFolderField, L"hello", Shown::Yes);
  ASSERT_NE(nullptr, edit_->GetHost());
  const RECT text = edit_->TextArea();
  EXPECT_EQ(
      (RECT{kEditRect.left + 5, kEditRect.top + 7, kEditRect.right - 2, kEditRect.bottom - 2}),
      text);
  CHARRANGE middle = {3, 3};
  LRESULT result = 0;
  edit_->GetHost()->Services()->TxSendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&middle),
                                              &result);

  Click({kEditRect.left + 2, kEditRect.top + 3});
  EXPECT_TRUE(edit_->IsFocused());
  EXPECT_EQ(edit_, Manager().GetFocusControl());
  EXPECT_EQ(Window(), ::GetFocus());
  EXPECT_EQ(3, Selection().cpMin) << "the click in the inset does not reach the service";
  EXPECT_FALSE(Manager().IsMouseCaptured());

  // A click on the text itself moves the caret there.
  Click({text.left + 1, (text.top + text.bottom) / 2});
  EXPECT_EQ(0, Selection().cpMin);
  EXPECT_FALSE(Manager().IsMouseCaptured()) << "the service let the mouse go again";
}

int g_mouseEnters = 0;
int g_mouseLeaves = 0;
bool CountHover(void* argument) {
  const auto* event = static_cast<const ControlEvent*>(argument);
  g_mouseEnters += event->kind == ControlEventKind::MouseEnter ? 1 : 0;
  g_mouseLeaves += event->kind == ControlEventKind::MouseLeave ? 1 : 0;
  return true;
}

// Fault: the service took the mouse moves over the text, so the window never saw the pointer
// enter the field, and the control it came from stayed hot.
TEST_F(RichEditTest, MovesOverTheTextStillReachTheWindowsHoverTracking) {
  Create(kFolderField, L"hello");
  ASSERT_NE(nullptr, edit_->GetHost());
  g_mouseEnters = g_mouseLeaves = 0;
  edit_->eventHooks.Add(MakeDelegate(&CountHover));
  const RECT text = edit_->TextArea();
  ::SendMessageW(Window(), WM_MOUSEMOVE, 0, PointParam(text.left + 5, text.top + 5));
  EXPECT_EQ(1, g_mouseEnters);
  ::SendMessageW(Window(), WM_MOUSEMOVE, 0, PointParam(5, 5));
  EXPECT_EQ(1, g_mouseLeaves);
}

TEST_F(RichEditTest, SetTextReplacesEverythingWithoutAnUndoStep) {
  Create({}, L"first");
  ASSERT_NE(nullptr, edit_->GetHost());
  EXPECT_EQ(L"first", edit_->GetText());
  EXPECT_EQ(0, Count(L"textchanged")) << "the initial text is no change";
  edit_->SetText(L"second");
  EXPECT_EQ(L"second", edit_->GetText());
  EXPECT_EQ(1, Count(L"textchanged"));
  LRESULT canUndo = 1;
  edit_->GetHost()->Services()->TxSendMessage(EM_CANUNDO, 0, 0, &canUndo);
  EXPECT_EQ(0, canUndo);
}

// Counts dark pixels (all channels below 0x60) of the window inside area.
int DarkPixels(HWND window, const RECT& area) {
  HDC dc = ::GetDC(window);
  int dark = 0;
  for (LONG y = area.top; y < area.bottom; ++y) {
    for (LONG x = area.left; x < area.right; ++x) {
      const COLORREF color = ::GetPixel(dc, x, y);
      if (GetRValue(color) < 0x60 && GetGValue(color) < 0x60 && GetBValue(color) < 0x60)
        ++dark;
    }
  }
  ::ReleaseDC(window, dc);
  return dark;
}

TEST_F(RichEditTest, DisabledIgnoresMessagesButPaintsItsText) {
  Create(kFolderField, L"hello", Shown::Yes);
  ASSERT_NE(nullptr, edit_->GetHost());
  edit_->SetFocus();
  edit_->SetEnabled(false);
  EXPECT_EQ(0u, edit_->GetFlags()) << "no tab stop";
  Type(L"x");
  PressKey(VK_BACK);
  Click({edit_->TextArea().left + 1, edit_->TextArea().top + 5});
  EXPECT_EQ(L"hello", edit_->GetText());
  EXPECT_EQ(0, Count(L"textchanged"));

  ::InvalidateRect(Window(), nullptr, FALSE);
  ::UpdateWindow(Window());
  EXPECT_GT(DarkPixels(Window(), edit_->TextArea()), 20);
  edit_->SetText(L"");
  ::UpdateWindow(Window());
  EXPECT_EQ(0, DarkPixels(Window(), edit_->TextArea())) << "the text was what was dark";
}

// Fault: a field disabled, hidden or left by the mouse capture in the middle of a selection drag
// kept the window's capture, and the service went on selecting as the pointer moved.
TEST_F(RichEditTest, DragEndsWithItsCaptureWhenTheFieldStopsTakingTheMouse) {
  struct Case {
    const char* description;
    void (*interrupt)(RichEdit* edit, HWND window);
  };
  const Case kCases[] = {
      {"disabled", [](RichEdit* edit, HWND) { edit->SetEnabled(false); }},
      {"hidden", [](RichEdit* edit, HWND) { edit->SetVisible(false); }},
      {"container hidden", [](RichEdit* edit, HWND) { edit->GetParent()->SetVisible(false); }},
      {"capture taken by another window",
       [](RichEdit*, HWND window) {
         HWND other = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        nullptr, nullptr);
         ::SetCapture(other);
         ::ReleaseCapture();
         ::DestroyWindow(other);
         static_cast<void>(window);
       }},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    Create(kFolderField, L"hello world", Shown::Yes);
    ASSERT_NE(nullptr, edit_->GetHost());
    const RECT text = edit_->TextArea();
    const int middle = (text.top + text.bottom) / 2;
    ::SendMessageW(Window(), WM_LBUTTONDOWN, MK_LBUTTON, PointParam(text.left + 1, middle));
    ASSERT_TRUE(Manager().IsMouseCaptured()) << "the service took the mouse for the drag";
    ASSERT_EQ(Window(), ::GetCapture());

    c.interrupt(edit_, Window());
    EXPECT_FALSE(Manager().IsMouseCaptured());
    EXPECT_NE(Window(), ::GetCapture());
    EXPECT_FALSE(edit_->GetHost()->HasFlag(HostCaptured));

    // Usable again, the field keeps its selection when the pointer merely passes over the text.
    // (The service counts clicks across windows: the later cases' presses select a word or a
    // line, which is what they keep.)
    edit_->SetEnabled(true);
    edit_->SetVisible(true);
    edit_->GetParent()->SetVisible(true);
    const CHARRANGE dragged = Selection();
    ::SendMessageW(Window(), WM_MOUSEMOVE, 0, PointParam(text.right - 2, middle));
    EXPECT_EQ(dragged.cpMin, Selection().cpMin);
    EXPECT_EQ(dragged.cpMax, Selection().cpMax);
    EXPECT_FALSE(Manager().IsMouseCaptured());
  }
}

TEST_F(RichEditTest, HostReferenceCountReturnsToItsStartWhenTheControlGoes) {
  Create(kFolderField, L"hello");
  ASSERT_NE(nullptr, edit_->GetHost());
  base::ComPtr<RichEditHost> host(edit_->GetHost());
  // The host answers for itself and for IUnknown, for nothing else.
  base::ComPtr<ITextHost> asHost;
  EXPECT_EQ(S_OK, host.QueryInterface(kIidTextHost, asHost));
  EXPECT_EQ(static_cast<ITextHost*>(host.Get()), asHost.Get());
  base::ComPtr<IUnknown> asServices;
  EXPECT_EQ(E_NOINTERFACE, host.QueryInterface(kIidTextServices, asServices));
  asHost.Reset();

  // Use it: focus, typing, painting, the caret and the mouse.
  edit_->SetFocus();
  Type(L"!");
  Click({edit_->TextArea().left + 3, edit_->TextArea().top + 5});
  ::InvalidateRect(Window(), nullptr, FALSE);
  ::UpdateWindow(Window());
  EXPECT_EQ(L"!hello", edit_->GetText()) << "typed where the caret starts";

  root_->SetDefersItemDeletion(false);
  root_->Remove(edit_);
  edit_ = nullptr;
  EXPECT_EQ(nullptr, host->Services()) << "the service went with the control";
  EXPECT_EQ(0u, host.Detach()->Release()) << "only this test's reference was left";
  // The control left the message filters: messages after it are no trouble.
  Type(L"x");
  Click({30, 30});
}

TEST_F(RichEditTest, AttributesSetTheStyleTheServiceSees) {
  struct Case {
    const char* description;
    Attributes attributes;
    DWORD bits;  // property bits of interest
  };
  constexpr DWORD kMask = TXTBIT_MULTILINE | TXTBIT_RICHTEXT | TXTBIT_READONLY |
                          TXTBIT_USEPASSWORD | TXTBIT_HIDESELECTION | TXTBIT_WORDWRAP;
  const Case kCases[] = {
      {"defaults", {}, TXTBIT_MULTILINE | TXTBIT_RICHTEXT | TXTBIT_HIDESELECTION | TXTBIT_WORDWRAP},
      {"the folder field", kFolderField, TXTBIT_RICHTEXT | TXTBIT_HIDESELECTION | TXTBIT_WORDWRAP},
      {"autohscroll ends word wrap",
       {{L"autohscroll", L"true"}, {L"rich", L"false"}},
       TXTBIT_MULTILINE | TXTBIT_HIDESELECTION},
      {"read-only password",
       {{L"readonly", L"true"}, {L"password", L"true"}, {L"multiline", L"no"}},
       TXTBIT_MULTILINE | TXTBIT_RICHTEXT | TXTBIT_READONLY | TXTBIT_USEPASSWORD |
           TXTBIT_HIDESELECTION | TXTBIT_WORDWRAP},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    Create(c.attributes);
    ASSERT_NE(nullptr, edit_->GetHost());
    DWORD bits = 0;
    edit_->GetHost()->TxGetPropertyBits(kMask, &bits);
    EXPECT_EQ(c.bits, bits);
  }

  Create({{L"password", L"true"}, {L"vscrollbar", L"true"}, {L"wanttab", L"false"}}, L"secret");
  ASSERT_NE(nullptr, edit_->GetHost());
  EXPECT_EQ(static_cast<uint32_t>(ES_MULTILINE | ES_PASSWORD | WS_VSCROLL | ES_DISABLENOSCROLL),
            edit_->GetStyle());
  EXPECT_NE(nullptr, edit_->VerticalScrollBar()) << "also a container attribute";
  EXPECT_EQ(L"false", edit_->GetAttribute(L"wanttab")) << "what Tab routing asks";
  // A password never shows: the service masks it, the text stays what was typed.
  TCHAR mask = 0;
  edit_->GetHost()->TxGetPasswordChar(&mask);
  EXPECT_EQ(L'*', mask);
  EXPECT_EQ(L"secret", edit_->GetText());
}

TEST_F(RichEditTest, TextTallerThanTheFieldShowsTheBarThatScrollsIt) {
  Create({{L"vscrollbar", L"true"}, {L"autovscroll", L"true"}}, L"1\r2\r3\r4\r5\r6\r7\r8");
  ASSERT_NE(nullptr, edit_->GetHost());
  RECT client;
  ::GetClientRect(Window(), &client);
  Manager().RunLayoutPass(client);
  ScrollBar* bar = edit_->VerticalScrollBar();
  ASSERT_NE(nullptr, bar);
  ASSERT_TRUE(bar->IsVisible());
  EXPECT_GT(bar->GetScrollRange(), 0);
  EXPECT_EQ(kEditRect.right - 16, edit_->TextArea().right) << "the text makes room for the bar";
  EXPECT_EQ((RECT{kEditRect.right - 16, kEditRect.top, kEditRect.right, kEditRect.bottom}),
            bar->GetRect());

  // The bar's steps go to the service, which moves its view and then the bar.
  edit_->ScrollLineDown();
  const int afterLine = bar->GetScrollPos();
  EXPECT_GT(afterLine, 0);
  edit_->ScrollEnd();
  EXPECT_EQ(bar->GetScrollRange(), bar->GetScrollPos());
  edit_->SetScrollOffset({0, afterLine});
  EXPECT_EQ(afterLine, bar->GetScrollPos());
}

TEST_F(RichEditTest, TabStaysInTheFieldOnlyWhenWanted) {
  for (const bool wanted : {true, false}) {
    SCOPED_TRACE(wanted ? "wanttab" : "no wanttab");
    Create({{L"wanttab", wanted ? L"true" : L"false"}});
    edit_->SetFocus();
    LRESULT result = 0;
    EXPECT_EQ(!wanted, Manager().PreTranslate(WM_KEYDOWN, VK_TAB, 0, result))
        << "the window moves the focus on unless the field takes Tab";
  }
}

// Fault: the text area lost its padding when the control was moved.
TEST_F(RichEditTest, MovingKeepsTheTextPadding) {
  Create({{L"textpadding", L"4,3,4,3"}});
  ::UpdateWindow(Window());
  ASSERT_NE(nullptr, edit_->GetHost());
  const RECT before = edit_->TextArea();
  EXPECT_EQ(
      (RECT{kEditRect.left + 4, kEditRect.top + 3, kEditRect.right - 4, kEditRect.bottom - 3}),
      before);
  edit_->Offset(10, 5, false);
  EXPECT_EQ((RECT{before.left + 10, before.top + 5, before.right + 10, before.bottom + 5}),
            edit_->TextArea());
}

TEST(RichEditWithoutServiceTest, AnUninitialisedControlKeepsTheTextAndHandlesNothing) {
  RichEdit edit;
  edit.SetText(L"stored");
  EXPECT_EQ(nullptr, edit.GetHost());
  EXPECT_EQ(L"", edit.GetText());
  LRESULT result = 7;
  EXPECT_EQ(S_FALSE, edit.SendToService(WM_CHAR, L'a', 0, &result));
  bool handled = true;
  edit.FilterMessage(WM_CHAR, L'a', 0, handled);
  EXPECT_FALSE(handled);
}

// The installer's skin in its real window: the folder field shows the default folder while
// disabled, as the wizard sets it, and takes typing when enabled.
class FolderFieldTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, window_.Create());
    window_.Paint();
    edit_ = static_cast<RichEdit*>(window_.Find(L"edit_dir")->CastTo(L"RichEdit"));
    ASSERT_NE(nullptr, edit_);
  }

  TestSkinWindow window_;
  RichEdit* edit_ = nullptr;
};

// The control elements below node: everything but resources and includes, whose pages are
// counted from their own files.
int CountControlElements(const MarkupNode& node) {
  int count = 0;
  for (MarkupNode child = node.FirstChild(); child.IsValid(); child = child.NextSibling()) {
    const std::wstring name = child.Name();
    if (name == L"Font" || name == L"Image" || name == L"Default" || name == L"MultiLanguage" ||
        name == L"Include") {
      continue;
    }
    count += 1 + CountControlElements(child);
  }
  return count;
}

TEST_F(FolderFieldTest, TheSkinBuildsEveryElementItNames) {
  int elements = 0;
  for (const wchar_t* file :
       {L"install.xml", L"configpage.xml", L"installingpage.xml", L"finishpage.xml"}) {
    MarkupDocument document;
    ASSERT_TRUE(document.LoadFile(file, MarkupEncoding::Utf8)) << document.ErrorMessage();
    elements += CountControlElements(document.Root());
  }
  int controls = 0;
  window_.GetPaintManager().GetRoot()->Find(
      [](Control*, void* data) -> Control* {
        ++*static_cast<int*>(data);
        return nullptr;
      },
      &controls, 0);
  EXPECT_EQ(elements, controls);
  auto* row = static_cast<IContainer*>(edit_->GetParent()->CastTo(L"IContainer"));
  ASSERT_NE(nullptr, row);
  ASSERT_EQ(4, row->Count());
  EXPECT_STREQ(L"RichEdit", row->ItemAt(1)->GetClassName());
}

TEST_F(FolderFieldTest, DisabledFieldShowsTheDefaultFolder) {
  ASSERT_NE(nullptr, edit_->GetHost());
  const std::wstring text =
      L"  \x9ED8\x8BA4\x76EE\x5F55\xFF1A"
      L"C:\\Program Files\\Cobalind\\velmora";
  edit_->SetText(text);
  edit_->SetEnabled(false);
  window_.Paint();
  EXPECT_EQ(text, edit_->GetText());
  EXPECT_GT(DarkPixels(window_.NativeWindow(), edit_->TextArea()), 100)
      << "the text services drew the folder";
}

TEST_F(FolderFieldTest, EnabledFieldTakesTypingAndTellsTheWindow) {
  ASSERT_NE(nullptr, edit_->GetHost());
  const RECT text = edit_->TextArea();
  const LPARAM inside = PointParam(text.left + 3, (text.top + text.bottom) / 2);
  ::SendMessageW(window_.NativeWindow(), WM_LBUTTONDOWN, MK_LBUTTON, inside);
  ::SendMessageW(window_.NativeWindow(), WM_LBUTTONUP, 0, inside);
  ASSERT_TRUE(edit_->IsFocused());
  for (wchar_t character : std::wstring(L"D:\\Games"))
    ::SendMessageW(window_.NativeWindow(), WM_CHAR, character, 1);
  EXPECT_EQ(L"D:\\Games", edit_->GetText());
  EXPECT_EQ(8, window_.Count(L"textchanged"));
  window_.Paint();
  EXPECT_GT(DarkPixels(window_.NativeWindow(), text), 20);
}

}  // namespace
}  // namespace ui
