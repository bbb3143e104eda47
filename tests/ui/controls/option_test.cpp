#include "ui/controls/option.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/control_helpers.h"
#include "tests/support/rect_compare.h"
#include "ui/controls/check_box.h"
#include "ui/controls/container.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

using testing_support::MakeEvent;
using testing_support::NotificationLog;
using testing_support::RecordingPainter;

using Types = std::vector<std::wstring>;

// A click as the mouse makes it: press and release inside.
void Click(Control* control) {
  const RECT& rect = control->GetRect();
  const POINT inside = {rect.left + 1, rect.top + 1};
  ControlEvent down = MakeEvent(ControlEventKind::ButtonDown, inside);
  control->HandleEvent(down);
  ControlEvent up = MakeEvent(ControlEventKind::ButtonUp, inside);
  control->HandleEvent(up);
}

// Three options of the group "mode" in one window.
class OptionGroupTest : public testing::Test {
 protected:
  void SetUp() override {
    auto* root = new Container;
    for (int i = 0; i < 3; ++i) {
      options_[i] = new Option;
      options_[i]->SetAttribute(L"group", L"mode");
      root->Add(options_[i]);
    }
    manager_.AttachRoot(root);
    manager_.AddListener(&log_);
    root->SetRect({0, 0, 300, 30}, false);
    for (int i = 0; i < 3; ++i)
      options_[i]->SetRect({i * 100, 0, i * 100 + 100, 30}, false);
  }

  int SelectedCount() const {
    int count = 0;
    for (const Option* option : options_)
      count += option && option->IsSelected() ? 1 : 0;
    return count;
  }

  NotificationLog log_;
  PaintManager manager_;
  Option* options_[3] = {};
};

TEST_F(OptionGroupTest, ClickingSelectsOneAndDeselectsTheOthersQuietly) {
  ASSERT_NE(nullptr, manager_.GetOptionGroup(L"mode"));
  EXPECT_EQ(3u, manager_.GetOptionGroup(L"mode")->size());

  Click(options_[0]);
  EXPECT_TRUE(options_[0]->IsSelected());
  Click(options_[2]);
  EXPECT_TRUE(options_[2]->IsSelected());
  EXPECT_EQ(1, SelectedCount());
  EXPECT_EQ((Types{L"click", L"selectchanged", L"click", L"selectchanged"}), log_.Types());
  EXPECT_EQ(options_[2], log_.received.back().sender) << "the deselected one is not told";

  log_.received.clear();
  Click(options_[2]);
  EXPECT_TRUE(options_[2]->IsSelected()) << "clicking a selected grouped option keeps it";
  EXPECT_EQ((Types{L"click"}), log_.Types());

  options_[1]->Select(true, Notify::No);
  EXPECT_EQ(1, SelectedCount());
  EXPECT_EQ((Types{L"click"}), log_.Types()) << "selection without notification";
}

TEST_F(OptionGroupTest, DestroyedOptionLeavesItsGroup) {
  Click(options_[1]);
  auto* root = static_cast<Container*>(manager_.GetRoot());
  root->Remove(options_[1], true);
  options_[1]->Destroy();
  options_[1] = nullptr;
  EXPECT_EQ(2u, manager_.GetOptionGroup(L"mode")->size());
  Click(options_[0]);  // walks the group: must not reach the destroyed option
  EXPECT_TRUE(options_[0]->IsSelected());
  EXPECT_FALSE(options_[2]->IsSelected());
}

TEST_F(OptionGroupTest, ChangingGroupMovesTheOption) {
  options_[2]->SetGroup(L"other");
  EXPECT_EQ(2u, manager_.GetOptionGroup(L"mode")->size());
  EXPECT_EQ(1u, manager_.GetOptionGroup(L"other")->size());
  Click(options_[0]);
  Click(options_[2]);
  EXPECT_TRUE(options_[0]->IsSelected());
  EXPECT_TRUE(options_[2]->IsSelected());
  options_[2]->SetGroup(L"");
  EXPECT_EQ(nullptr, manager_.GetOptionGroup(L"other"));
}

TEST(CheckBoxTest, ClickTogglesAndTellsClickThenSelectChanged) {
  testing_support::ControlInWindow<CheckBox> w;
  Click(w.control);
  EXPECT_TRUE(w.control->IsChecked());
  Click(w.control);
  EXPECT_FALSE(w.control->IsChecked());
  EXPECT_EQ((Types{L"click", L"selectchanged", L"click", L"selectchanged"}), w.log.Types());
}

TEST(CheckBoxTest, SelectedAttributeWhileAttachedIsTold) {
  testing_support::ControlInWindow<CheckBox> w;
  w.control->SetAttribute(L"selected", L"true");
  EXPECT_TRUE(w.control->IsChecked());
  EXPECT_EQ((Types{L"selectchanged"}), w.log.Types());
  w.control->SetEnabled(false);
  EXPECT_EQ(StateSelected, w.control->GetButtonState()) << "disabling keeps the selection";
}

// Destroys the sender of one type of notification while it is being told, as a page that
// rebuilds itself would, and fills the freed memory at once so that any later use of the sender
// shows.
class DestroyingListener : public INotifyListener {
 public:
  explicit DestroyingListener(const wchar_t* type) : type_(type) {}

  void ReceiveNotification(Notification& notification) override {
    if (notification.type != type_ || !notification.sender)
      return;
    Control* sender = notification.sender;
    static_cast<IContainer*>(sender->GetParent()->CastTo(L"IContainer"))->Remove(sender, true);
    sender->Destroy();
    auto& poison = poison_.emplace_back(new unsigned char[sizeof(Option)]);
    std::fill_n(poison.get(), sizeof(Option), 0xFF);
  }

 private:
  std::wstring type_;
  std::vector<std::unique_ptr<unsigned char[]>> poison_;
};

// The option used to select itself after its "click" went out, so a listener that destroyed it
// had it written to, and told "selectchanged" of, after it was freed.
TEST(OptionTest, NotificationListenerMayDestroyTheOption) {
  struct Case {
    const wchar_t* group;
    const wchar_t* destroyedAt;
    Types told;
  };
  const Case kCases[] = {
      {L"", L"click", {L"click"}},
      {L"mode", L"click", {L"click"}},
      {L"", L"selectchanged", {L"click", L"selectchanged"}},
      {L"mode", L"selectchanged", {L"click", L"selectchanged"}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message()
                 << "group \"" << c.group << "\", destroyed at " << c.destroyedAt);
    testing_support::ControlInWindow<Option> w;
    w.control->SetGroup(c.group);
    DestroyingListener destroyer(c.destroyedAt);
    w.manager.AddListener(&destroyer);
    Click(w.control);
    EXPECT_EQ(0, w.root->Count());
    EXPECT_EQ(c.told, w.log.Types());
  }
}

// The installer's agreement check box, as its markup describes it.
constexpr const wchar_t* kAgreementBox =
    LR"(width="120" text="agree" textcolor="#FF000000" valign="center" align="left" )"
    LR"(textpadding="18,2,0,0" )"
    LR"(normalimage="file='checkbox.png' source='0,0,13,13' dest='0,6,13,19'" )"
    LR"(normalhotimage="file='checkbox.png' source='0,0,13,13' dest='0,6,13,19'" )"
    LR"(selectedimage="file='checkbox.png' source='0,26,13,39' dest='0,6,13,19'" )"
    LR"(selectedhotimage="file='checkbox.png' source='0,26,13,39' dest='0,6,13,19'")";
constexpr const wchar_t* kUnchecked = L"file='checkbox.png' source='0,0,13,13' dest='0,6,13,19'";
constexpr const wchar_t* kChecked = L"file='checkbox.png' source='0,26,13,39' dest='0,6,13,19'";

TEST(CheckBoxTest, StateChoosesImage) {
  struct Case {
    const char* description;
    const wchar_t* attributes;
    bool selected;
    ControlEventKind event;  // MouseMove for none
    const wchar_t* drawn;
    std::vector<uint32_t> fills = {};
  };
  const Case kCases[] = {
      {"unchecked", kAgreementBox, false, ControlEventKind::MouseMove, kUnchecked},
      {"unchecked, held: never the pushed image", LR"(normalimage="normal" pushedimage="pushed")",
       false, ControlEventKind::ButtonDown, L"normal"},
      {"checked", kAgreementBox, true, ControlEventKind::MouseMove, kChecked},
      {"checked and hot", LR"(selectedimage="sel" selectedhotimage="selhot" foreimage="fore")",
       true, ControlEventKind::MouseEnter, L"selhot + fore"},
      {"checked, not hot", LR"(selectedimage="sel" selectedhotimage="selhot")", true,
       ControlEventKind::MouseMove, L"sel"},
      {"checked without selected images: back colour",
       LR"(normalimage="normal" selectedbkcolor="#FF00FF00")",
       true,
       ControlEventKind::MouseMove,
       L"",
       {0xFF00FF00}},
      {"checked without selected images or colour: the button's", LR"(normalimage="normal")", true,
       ControlEventKind::MouseMove, L"normal"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    testing_support::ControlInWindow<CheckBox> w;
    w.control->ApplyAttributeList(c.attributes);
    w.control->Select(c.selected, Notify::No);
    w.Send(c.event, {11, 11});
    RecordingPainter painter;
    w.control->PaintOptionImages(painter);
    EXPECT_EQ(c.drawn, painter.Drawn());
    EXPECT_EQ(c.fills, painter.fills);
  }
}

TEST(CheckBoxTest, SelectedTextColour) {
  testing_support::ControlInWindow<CheckBox> w;
  w.control->ApplyAttributeList(
      LR"(text="agree" textcolor="#FF000001" selectedtextcolor="#FF000002" )"
      LR"(pushedtextcolor="#FF000003")");
  struct Step {
    const char* description;
    bool selected;
    ControlEventKind event;
    uint32_t color;
  };
  const Step kSteps[] = {
      {"unchecked", false, ControlEventKind::MouseMove, 0xFF000001},
      {"unchecked, held: never the pushed colour", false, ControlEventKind::ButtonDown, 0xFF000001},
      {"checked", true, ControlEventKind::MouseMove, 0xFF000002},
  };
  for (const Step& step : kSteps) {
    SCOPED_TRACE(step.description);
    w.control->Select(step.selected, Notify::No);
    w.Send(step.event, {11, 11});
    RecordingPainter painter;
    w.control->PaintOptionText(painter);
    ASSERT_EQ(1u, painter.texts.size());
    EXPECT_EQ(step.color, painter.texts[0].color);
  }
}

}  // namespace
}  // namespace ui
