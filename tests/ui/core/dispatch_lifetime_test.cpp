// What a listener, hook or handler may do to what it is told about: destroy the control (or the
// window) from inside the call, or take itself off the list that called it. This program runs
// with the poisoning allocator: a use of freed memory faults instead of passing by luck.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/control_helpers.h"
#include "tests/support/message_pump.h"
#include "tests/support/mouse_points.h"
#include "tests/ui/core/poisoning_allocator.h"
#include "tests/ui/core/window_test_support.h"
#include "ui/controls/button.h"
#include "ui/controls/container.h"
#include "ui/controls/option.h"
#include "ui/controls/rich_edit.h"
#include "ui/core/paint_manager.h"
#include "ui/core/skin_settings.h"
#include "ui/skin/skin_window.h"

namespace ui {
namespace {

using testing_support::EventLog;

// What the observers of one case heard, in order, and the calls that reached a destroyed control.
struct Heard {
  void Add(std::wstring entry) { entries.push_back(std::move(entry)); }
  bool Has(const std::wstring& entry) const {
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
  }
  std::vector<std::wstring> entries;
  std::vector<std::wstring> faults;
};

std::wstring NameOf(const Control* control) {
  return control ? control->GetName() : L"-";
}

// A delegate that runs a closure; each one made is a delegate of its own.
class ClosureDelegate : public DelegateBase {
 public:
  explicit ClosureDelegate(std::function<bool(void*)> body)
      : ClosureDelegate(std::move(body), NextKey()) {}
  DelegateBase* Copy() const override { return new ClosureDelegate(body_, key_); }
  bool Invoke(void* argument) override { return body_(argument); }

 private:
  ClosureDelegate(std::function<bool(void*)> body, uintptr_t key)
      : DelegateBase(nullptr, &key, sizeof(key)), body_(std::move(body)), key_(key) {}
  static uintptr_t NextKey() {
    static uintptr_t last = 0;
    return ++last;
  }

  std::function<bool(void*)> body_;
  uintptr_t key_;
};

// A control of class Base that notes each event it handles ("name:Kind") and every call that
// reaches it once it is destroyed; onEvent runs first and may destroy it.
template <typename Base>
class Probe : public Base {
 public:
  Probe(Heard* heard, const wchar_t* name) : heard_(heard) { this->SetName(name); }
  ~Probe() override { magic_ = 0; }

  void OnEvent(ControlEvent& event) override {
    CheckAlive(L"OnEvent");
    heard_->Add(this->GetName() + L":" + EventLog::KindName(event.kind));
    if (onEvent) {
      onEvent(event);
      if (!this->IsAlive())
        return;
    }
    Base::OnEvent(event);
  }
  bool Activate() override {
    CheckAlive(L"Activate");
    return Base::Activate();
  }

  std::function<void(ControlEvent&)> onEvent;

 private:
  static constexpr uint32_t kAlive = 0x600DF00D;
  void CheckAlive(const wchar_t* call) {
    if (magic_ != kAlive || !this->IsAlive())
      heard_->faults.push_back(this->GetName() + L" " + call + L" after it was destroyed");
  }

  uint32_t magic_ = kAlive;
  Heard* heard_;
};

// Notes each notification ("name type sender") and then acts on it.
class Listener : public INotifyListener {
 public:
  Listener(Heard* heard, std::wstring name) : heard_(heard), name_(std::move(name)) {}
  void ReceiveNotification(Notification& notification) override {
    if (notification.sender && !notification.sender->IsAlive())
      heard_->faults.push_back(name_ + L" told of a destroyed sender");
    heard_->Add(name_ + L" " + notification.type + L" " + NameOf(notification.sender));
    if (act)
      act(notification);
  }

  std::function<void(Notification&)> act;

 private:
  Heard* heard_;
  std::wstring name_;
};

class LifetimeWindow : public SkinWindow {
 public:
  const wchar_t* WindowClassName() const override { return L"DispatchLifetimeTest"; }
  std::wstring SkinFileName() const override {
    return L"<Window size=\"300,200\"><Container name=\"root\"/></Window>";
  }
  // The window stays open; the cases close it themselves.
  LRESULT HandleClose(UINT, WPARAM, LPARAM, bool&) override { return 0; }
};

// The shown top-level window that holds each case's window: a child window goes without the wait
// that unmapping a top-level window costs under Wine without a window manager (2 s).
HWND HostWindow() {
  static const HWND host = [] {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"Dispatch lifetime test", WS_POPUP, 0, 0, 400,
                                    300, nullptr, nullptr, nullptr, nullptr);
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
  }();
  return host;
}

// A window inside the host whose root holds the buttons "a" at (0, 0)-(50, 50) and "b" at (50,
// 0)-(100, 50), and two listeners: "first", which acts, and "second", which only listens. The root
// destroys a removed child at once, which is how the cases destroy a control.
struct Scene {
  Scene() {
    SetProgramModule(::GetModuleHandleW(nullptr));
    window = std::make_unique<LifetimeWindow>();
    native =
        window->CreateNativeWindow(HostWindow(), nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, 0);
    manager = &window->GetPaintManager();
    root = static_cast<Container*>(manager->GetRoot()->CastTo(L"Container"));
    root->SetDefersItemDeletion(false);
    a = Place(new Probe<Button>(&heard, L"a"), L"0,0,50,50");
    b = Place(new Probe<Button>(&heard, L"b"), L"50,0,100,50");
    manager->AddListener(&first);
    manager->AddListener(&second);
    Paint();
    heard.entries.clear();
  }

  ~Scene() {
    // A case may have deleted the window object; the listeners outlive the manager's last words.
    window.reset();
  }

  template <typename T>
  T* Place(T* control, const wchar_t* position) {
    control->SetAttribute(L"float", L"true");
    control->SetAttribute(L"pos", position);
    root->Add(control);
    return control;
  }

  void Destroy(Control* control) { root->Remove(control); }

  void Paint() {
    ::InvalidateRect(native, nullptr, FALSE);
    ::UpdateWindow(native);
  }

  void Send(UINT message, WPARAM wParam, LPARAM lParam) {
    ::SendMessageW(native, message, wParam, lParam);
  }

  void Click(int x, int y) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y));
    Send(WM_LBUTTONUP, 0, PointParam(x, y));
  }

  // Whatever still refers to a destroyed control is reached now: the pointer everywhere, a click,
  // Tab, a paint. Under the poisoning allocator a stale reference faults here.
  void GoOverEverything() {
    if (!::IsWindow(native))
      return;
    for (int x = 5; x < 300; x += 45)
      Send(WM_MOUSEMOVE, 0, PointParam(x, 20));
    Click(60, 10);
    LRESULT result = 0;
    manager->PreTranslate(WM_KEYDOWN, VK_TAB, 0, result);
    Paint();
    PumpPending();
  }

  Heard heard;
  Listener first{&heard, L"first"};
  Listener second{&heard, L"second"};
  std::unique_ptr<LifetimeWindow> window;
  HWND native = nullptr;
  PaintManager* manager = nullptr;
  Container* root = nullptr;
  Probe<Button>* a = nullptr;
  Probe<Button>* b = nullptr;
};

bool Named(const Notification& notification, const wchar_t* type, const Control* sender) {
  return notification.type == type && notification.sender == sender;
}

struct DispatchCase {
  const char* description;
  // Arranges who destroys what, then does what makes the framework call out.
  std::function<void(Scene&)> run;
  std::vector<std::wstring> heard;     // each must have been heard
  std::vector<std::wstring> notHeard;  // none may have been heard
};

const DispatchCase kDispatchCases[] = {
    {"an event hook destroys its control (HookList::Fire)",
     [](Scene& s) {
       s.a->eventHooks.Add(ClosureDelegate([&s](void*) {
         s.heard.Add(L"a hook 1");
         s.Destroy(s.a);
         return true;
       }));
       s.a->eventHooks.Add(ClosureDelegate([&s](void*) {
         s.heard.Add(L"a hook 2");
         return true;
       }));
       s.Send(WM_MOUSEMOVE, 0, PointParam(10, 10));
       s.Send(WM_MOUSEMOVE, 0, PointParam(60, 10));
     },
     {L"a hook 1", L"b:MouseEnter", L"b:MouseMove"},
     {L"a hook 2", L"a:MouseEnter", L"a:MouseMove"}},
    {"a size hook destroys its control (SetRect)",
     [](Scene& s) {
       s.a->sizeHooks.Add(ClosureDelegate([&s](void*) {
         s.Destroy(s.a);
         return true;
       }));
       s.b->sizeHooks.Add(ClosureDelegate([&s](void*) {
         s.heard.Add(L"b laid out");
         return true;
       }));
       s.root->RequestLayout();
       s.Paint();
     },
     {L"b laid out"},
     {}},
    {"a paint hook destroys its control",
     [](Scene& s) {
       s.a->paintHooks.Add(ClosureDelegate([&s](void*) {
         s.Destroy(s.a);
         return true;
       }));
       s.b->paintHooks.Add(ClosureDelegate([&s](void*) {
         s.heard.Add(L"b painted");
         return true;
       }));
       s.Paint();
     },
     {L"b painted"},
     {}},
    {"a \"killfocus\" listener destroys the control losing the focus",
     [](Scene& s) {
       s.a->SetFocus();
       s.first.act = [&s](Notification& n) {
         if (Named(n, L"killfocus", s.a))
           s.Destroy(s.a);
       };
       s.b->SetFocus();
     },
     {L"a:KillFocus", L"second killfocus -", L"b:SetFocus", L"second setfocus b"},
     {}},
    {"a \"killfocus\" listener destroys the control gaining the focus",
     [](Scene& s) {
       s.a->SetFocus();
       s.first.act = [&s](Notification& n) {
         if (Named(n, L"killfocus", s.a))
           s.Destroy(s.b);
       };
       s.b->SetFocus();
     },
     {L"a:KillFocus", L"second killfocus a"},
     {L"b:SetFocus", L"first setfocus b", L"first setfocus -"}},
    {"a \"setfocus\" listener destroys the new focus",
     [](Scene& s) {
       s.first.act = [&s](Notification& n) {
         if (Named(n, L"setfocus", s.b))
           s.Destroy(s.b);
       };
       s.b->SetFocus();
     },
     {L"b:SetFocus", L"second setfocus -"},
     {}},
    {"a \"click\" listener destroys the button (a synchronous notification)",
     [](Scene& s) {
       s.first.act = [&s](Notification& n) {
         if (Named(n, L"click", s.a))
           s.Destroy(s.a);
       };
       s.Click(10, 10);
     },
     {L"first click a", L"second click -"},
     {}},
    {"a notify hook destroys its sender",
     [](Scene& s) {
       s.a->notifyHooks.Add(ClosureDelegate([&s](void*) {
         s.Destroy(s.a);
         return true;
       }));
       s.a->notifyHooks.Add(ClosureDelegate([&s](void*) {
         s.heard.Add(L"a notify hook 2");
         return true;
       }));
       s.manager->SendNotification(s.a, L"custom");
     },
     {L"first custom -", L"second custom -"},
     {L"a notify hook 2"}},
    {"a listener destroys the sender of a queued notification",
     [](Scene& s) {
       s.first.act = [&s](Notification& n) {
         if (Named(n, L"queued", s.a))
           s.Destroy(s.a);
       };
       s.manager->SendNotification(s.a, L"queued", 0, 0, Dispatch::Queued, Repeats::Merged);
       PumpUntil([&s] { return s.heard.Has(L"second queued -"); });
     },
     {L"first queued a", L"second queued -"},
     {}},
    {"a MouseEnter handler destroys its control",
     [](Scene& s) {
       s.a->onEvent = [&s](ControlEvent& event) {
         if (event.kind == ControlEventKind::MouseEnter)
           s.Destroy(s.a);
       };
       s.Send(WM_MOUSEMOVE, 0, PointParam(10, 10));
       s.Send(WM_MOUSEMOVE, 0, PointParam(60, 10));
     },
     {L"a:MouseEnter", L"b:MouseEnter", L"b:MouseMove"},
     {L"a:MouseMove", L"a:MouseLeave"}},
    {"an Alt shortcut whose \"setfocus\" listener destroys the button",
     [](Scene& s) {
       s.a->SetShortcut(L'k');
       s.first.act = [&s](Notification& n) {
         if (Named(n, L"setfocus", s.a))
           s.Destroy(s.a);
       };
       LRESULT result = 0;
       EXPECT_TRUE(s.manager->PreTranslate(WM_SYSCHAR, 'k', 0, result));
     },
     {L"second setfocus -"},
     {L"first click a", L"first click -"}},
    {"a mouse-leave listener destroys the control being left",
     [](Scene& s) {
       auto* watcher = s.Place(new Probe<Control>(&s.heard, L"watcher"), L"0,100,0,100");
       s.Paint();
       s.manager->AddMouseLeaveListener(watcher);
       watcher->onEvent = [&s](ControlEvent& event) {
         if (event.kind == ControlEventKind::MouseLeave)
           s.Destroy(s.a);
       };
       s.Send(WM_MOUSEMOVE, 0, PointParam(10, 10));
       s.Send(WM_MOUSEMOVE, 0, PointParam(60, 10));
     },
     {L"watcher:MouseLeave", L"b:MouseEnter", L"b:MouseMove"},
     {L"a:MouseLeave"}},
    {"a \"click\" listener destroys an option before it is selected",
     [](Scene& s) {
       auto* option = s.Place(new Probe<Option>(&s.heard, L"option"), L"100,0,150,50");
       s.Paint();
       s.first.act = [&s, option](Notification& n) {
         if (Named(n, L"click", option))
           s.Destroy(option);
       };
       s.Click(120, 10);
     },
     {L"first click option", L"second click -"},
     {L"first selectchanged -", L"first selectchanged option"}},
    {"a \"setfocus\" listener destroys a rich edit during its click (RichEdit::FilterMessage)",
     [](Scene& s) {
       auto* edit =
           s.Place(testing_support::Make<RichEdit>({{L"multiline", L"false"}}), L"0,60,200,90");
       edit->SetName(L"edit");
       edit->SetText(L"hello");
       s.Paint();
       ASSERT_NE(nullptr, edit->GetHost());
       s.first.act = [&s, edit](Notification& n) {
         if (Named(n, L"setfocus", edit))
           s.Destroy(edit);
       };
       s.Click(20, 75);
       EXPECT_FALSE(s.manager->IsMouseCaptured());
       EXPECT_NE(s.native, ::GetCapture());
     },
     {L"first setfocus edit", L"second setfocus -"},
     {}},
    {"a \"click\" listener destroys the window",
     [](Scene& s) {
       s.first.act = [&s](Notification& n) {
         if (Named(n, L"click", s.a))
           ::DestroyWindow(s.native);
       };
       s.Click(10, 10);
       EXPECT_FALSE(::IsWindow(s.native));
       EXPECT_EQ(nullptr, s.manager->PaintWindow()) << "the manager let go of the dead window";
     },
     {L"first click a", L"second click a"},
     {}},
    {"a queued task destroys the window (UiThreadQueue::RunPending)",
     [](Scene& s) {
       s.window->PostToUiThread([&s] {
         s.heard.Add(L"task 1");
         ::DestroyWindow(s.native);
       });
       s.window->PostToUiThread([&s] { s.heard.Add(L"task 2"); });
       PumpUntil([&s] { return !::IsWindow(s.native); });
       PumpPending();
     },
     {L"task 1"},
     {L"task 2"}},
    {"a queued task deletes the window object",
     [](Scene& s) {
       SkinWindow* window = s.window.release();
       window->PostToUiThread([&s, window] {
         s.heard.Add(L"task 1");
         delete window;
       });
       window->PostToUiThread([&s] { s.heard.Add(L"task 2"); });
       PumpUntil([&s] { return !::IsWindow(s.native); });
       PumpPending();
     },
     {L"task 1"},
     {L"task 2"}},
};

TEST(DispatchLifetimeTest, WhatACallOutDestroysIsNeverTouchedAgain) {
  for (const DispatchCase& c : kDispatchCases) {
    SCOPED_TRACE(c.description);
    Scene scene;
    c.run(scene);
    scene.GoOverEverything();
    for (const std::wstring& entry : c.heard)
      EXPECT_TRUE(scene.heard.Has(entry)) << "not heard: " << testing::PrintToString(entry);
    for (const std::wstring& entry : c.notHeard)
      EXPECT_FALSE(scene.heard.Has(entry)) << "heard: " << testing::PrintToString(entry);
    EXPECT_EQ(std::vector<std::wstring>{}, scene.heard.faults);
  }
}

// An observer that takes itself off its list while it is told: the next one is still told, and
// one added meanwhile waits for the next message.
TEST(DispatchLifetimeTest, ObserverThatRemovesItselfLetsTheNextOneHear) {
  struct Filter : IMessageFilter, ITranslateAccelerator {
    LRESULT FilterMessage(UINT message, WPARAM, LPARAM, bool&) override {
      if (message == WM_KEYDOWN)
        Hear();
      return 0;
    }
    LRESULT Translate(MSG*) override {
      Hear();
      return 1;
    }
    void Hear() {
      heard->Add(name);
      if (onHear)
        onHear();
    }
    Heard* heard = nullptr;
    std::wstring name;
    std::function<void()> onHear;
  };
  struct Case {
    const char* description;
    void (*run)(Scene& s, Filter& first, Filter& second, Filter& late);
  };
  const Case kCases[] = {
      {"listeners",
       [](Scene& s, Filter&, Filter&, Filter&) {
         Listener late(&s.heard, L"late");
         s.first.act = [&s, &late](Notification&) {
           s.manager->RemoveListener(&s.first);
           s.manager->AddListener(&late);
         };
         s.manager->SendNotification(s.a, L"one");
         s.manager->SendNotification(s.a, L"two");
         s.manager->RemoveListener(&late);
         EXPECT_TRUE(s.heard.Has(L"second one a"));
         EXPECT_FALSE(s.heard.Has(L"first two a"));
         EXPECT_FALSE(s.heard.Has(L"late one a")) << "added during the walk";
         EXPECT_TRUE(s.heard.Has(L"late two a"));
       }},
      {"filters",
       [](Scene& s, Filter& first, Filter& second, Filter& late) {
         s.manager->AddFilter(&first);
         s.manager->AddFilter(&second);
         first.onHear = [&s, &first, &late] {
           s.manager->RemoveFilter(&first);
           s.manager->AddFilter(&late);
         };
         s.Send(WM_KEYDOWN, 'A', 0);
         EXPECT_EQ((std::vector<std::wstring>{L"first", L"second"}), s.heard.entries);
         s.manager->RemoveFilter(&second);
         s.manager->RemoveFilter(&late);
       }},
      {"pre-filters",
       [](Scene& s, Filter& first, Filter& second, Filter&) {
         s.manager->AddPreFilter(&first);
         s.manager->AddPreFilter(&second);
         first.onHear = [&s, &first] { s.manager->RemovePreFilter(&first); };
         LRESULT result = 0;
         s.manager->PreTranslate(WM_KEYDOWN, 'A', 0, result);
         EXPECT_EQ((std::vector<std::wstring>{L"first", L"second"}), s.heard.entries);
         s.manager->RemovePreFilter(&second);
       }},
      {"accelerators",
       [](Scene& s, Filter& first, Filter& second, Filter&) {
         s.manager->AddAccelerator(&first);
         s.manager->AddAccelerator(&second);
         first.onHear = [&s, &first] { s.manager->RemoveAccelerator(&first); };
         MSG message = {s.native, WM_KEYDOWN, 'A', 0, 0, {0, 0}};
         EXPECT_FALSE(s.manager->TranslateAccelerators(&message));
         EXPECT_EQ((std::vector<std::wstring>{L"first", L"second"}), s.heard.entries);
         s.manager->RemoveAccelerator(&second);
       }},
      {"hooks",
       [](Scene& s, Filter&, Filter&, Filter&) {
         const ClosureDelegate hook1([&s](void*) {
           s.heard.Add(L"hook 1");
           return true;
         });
         // The list holds a copy: it removes the copy, which is equal to hook1.
         s.a->notifyHooks.Add(ClosureDelegate([&s, &hook1](void*) {
           s.heard.Add(L"hook 0");
           s.a->notifyHooks.Remove(hook1);
           return true;
         }));
         s.a->notifyHooks.Add(hook1);
         s.a->notifyHooks.Add(ClosureDelegate([&s](void*) {
           s.heard.Add(L"hook 2");
           return true;
         }));
         s.manager->SendNotification(s.a, L"one");
         EXPECT_TRUE(s.heard.Has(L"hook 0"));
         EXPECT_FALSE(s.heard.Has(L"hook 1")) << "removed before its turn";
         EXPECT_TRUE(s.heard.Has(L"hook 2"));
       }},
      {"mouse-leave listeners",
       [](Scene& s, Filter&, Filter&, Filter&) {
         auto* one = s.Place(new Probe<Control>(&s.heard, L"one"), L"0,100,0,100");
         auto* two = s.Place(new Probe<Control>(&s.heard, L"two"), L"0,100,0,100");
         s.manager->AddMouseLeaveListener(one);
         s.manager->AddMouseLeaveListener(two);
         one->onEvent = [&s, one](ControlEvent&) { s.manager->RemoveMouseLeaveListener(one); };
         s.Send(WM_MOUSEMOVE, 0, PointParam(10, 10));
         s.Send(WM_MOUSEMOVE, 0, PointParam(60, 10));
         EXPECT_TRUE(s.heard.Has(L"one:MouseLeave"));
         EXPECT_TRUE(s.heard.Has(L"two:MouseLeave"));
       }},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    Scene scene;
    Filter first, second, late;
    first.heard = second.heard = late.heard = &scene.heard;
    first.name = L"first";
    second.name = L"second";
    late.name = L"late";
    c.run(scene, first, second, late);
    EXPECT_EQ(std::vector<std::wstring>{}, scene.heard.faults);
  }
}

// The allocator the cases above rely on: freed memory reads as poison.
TEST(DispatchLifetimeTest, FreedMemoryReadsAsPoison) {
  auto* control = new Control;
  auto* words = reinterpret_cast<volatile unsigned char*>(control);
  delete control;
  EXPECT_EQ(testing_support::kPoisonByte, words[0]);
  EXPECT_EQ(testing_support::kPoisonByte, words[sizeof(void*)]);
}

}  // namespace
}  // namespace ui
