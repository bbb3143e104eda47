#include "ui/core/accessible_tree.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/control_helpers.h"
#include "ui/controls/button.h"
#include "ui/controls/container.h"
#include "ui/controls/label.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

using testing_support::Make;

// Keeps the controls' own descriptions, except that a control named "quiet" has no role.
class TestDescriber final : public IAccessibleWindowDescriber {
 public:
  long AccessibleWindowRole() const override { return ROLE_SYSTEM_CLIENT; }
  void RefineAccessibleDescription(const Control& control,
                                   AccessibleDescription& description) const override {
    if (control.GetName() == L"quiet")
      description.role = 0;
  }
};

// A page of buttons in a grid, in tree order:
//   top (0,0)-(40,20)      right (50,0)-(90,20)
//   bottom (0,30)-(40,50)  far (50,30)-(90,50), hidden
//   cover (30,10)-(60,40), on top of the four
//   caption (0,60)-(90,80), a label
// with a control that the describer leaves out, and a hidden panel whose button
// (placed over everything) is not part of the tree.
class AccessibleTreeTest : public testing::Test {
 protected:
  void SetUp() override {
    Container* root = Make<Container>({{L"name", L"root"}});
    manager_.AttachRoot(root);
    root->SetRect({0, 0, 100, 100}, false);
    for (const auto& [name, rect] :
         std::vector<std::pair<const wchar_t*, RECT>>{{L"top", {0, 0, 40, 20}},
                                                      {L"right", {50, 0, 90, 20}},
                                                      {L"bottom", {0, 30, 40, 50}},
                                                      {L"far", {50, 30, 90, 50}},
                                                      {L"cover", {30, 10, 60, 40}}}) {
      Button* button = Make<Button>({{L"name", name}});
      root->Add(button);
      button->SetRect(rect, false);
    }
    manager_.FindControlByName(L"far")->SetVisible(false);
    Label* caption = Make<Label>({{L"name", L"caption"}});
    root->Add(caption);
    caption->SetRect({0, 60, 90, 80}, false);
    root->Add(Make<Button>({{L"name", L"quiet"}}));
    Container* panel = Make<Container>({{L"name", L"panel"}, {L"visible", L"false"}});
    root->Add(panel);
    Button* inPanel = Make<Button>({{L"name", L"inPanel"}});
    panel->Add(inPanel);
    inPanel->SetRect({0, 0, 100, 100}, false);
  }

  Control* Named(const wchar_t* name) const {
    return name ? manager_.FindControlByName(name) : nullptr;
  }

  static std::wstring NameOf(const Control* control) {
    return control ? control->GetName() : L"(none)";
  }

  PaintManager manager_;
  TestDescriber describer_;
};

TEST_F(AccessibleTreeTest, ChildrenAreTheControlsWithARoleUnderShownParents) {
  const AccessibleTree tree(manager_.GetRoot(), describer_);
  std::vector<std::wstring> names;
  for (const Control* child : tree.Children())
    names.push_back(child->GetName());
  EXPECT_EQ((std::vector<std::wstring>{L"top", L"right", L"bottom", L"far", L"cover", L"caption"}),
            names)
      << "a hidden control stays, one under a hidden parent or without a role does not";

  for (const Control* child : tree.Children())
    EXPECT_EQ(child, tree.ChildById(child->GetAccessibleId())) << NameOf(child);
  EXPECT_EQ(nullptr, tree.ChildById(Named(L"quiet")->GetAccessibleId()));
  EXPECT_EQ(nullptr, tree.ChildById(Named(L"inPanel")->GetAccessibleId()));
  EXPECT_EQ(nullptr, tree.ChildById(CHILDID_SELF));

  EXPECT_TRUE(tree.IsShownChild(Named(L"top")));
  EXPECT_FALSE(tree.IsShownChild(Named(L"far")));
  EXPECT_FALSE(tree.IsShownChild(Named(L"inPanel")));
  EXPECT_FALSE(tree.IsShownChild(nullptr));

  EXPECT_TRUE(AccessibleTree(nullptr, describer_).Children().empty());
}

TEST_F(AccessibleTreeTest, NavigatesInTreeOrderAndAcrossThePage) {
  struct Case {
    const wchar_t* start;  // null: the window itself
    long direction;
    const wchar_t* reached;  // null: none
  };
  const Case kCases[] = {
      {nullptr, NAVDIR_FIRSTCHILD, L"top"},
      {nullptr, NAVDIR_LASTCHILD, L"caption"},
      {nullptr, NAVDIR_NEXT, nullptr},
      {L"top", NAVDIR_NEXT, L"right"},
      {L"top", NAVDIR_PREVIOUS, nullptr},
      {L"caption", NAVDIR_NEXT, nullptr},
      {L"bottom", NAVDIR_PREVIOUS, L"right"},
      {L"far", NAVDIR_NEXT, L"cover"},
      // Wholly on that side, nearest row or column first, then closest across.
      {L"top", NAVDIR_RIGHT, L"right"},
      {L"top", NAVDIR_DOWN, L"bottom"},
      {L"bottom", NAVDIR_DOWN, L"caption"},
      {L"right", NAVDIR_LEFT, L"top"},
      {L"right", NAVDIR_DOWN, L"bottom"},  // "far" is hidden, "cover" overlaps
      {L"bottom", NAVDIR_UP, L"top"},
      {L"bottom", NAVDIR_RIGHT, L"right"},
      {L"top", NAVDIR_UP, nullptr},
      {L"top", NAVDIR_FIRSTCHILD, nullptr},
  };
  const AccessibleTree tree(manager_.GetRoot(), describer_);
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << (c.start ? c.start : L"(window)") << " " << c.direction);
    EXPECT_EQ(NameOf(Named(c.reached)), NameOf(tree.Navigate(Named(c.start), c.direction)));
  }
}

TEST_F(AccessibleTreeTest, HitTestFindsTheShownChildOnTop) {
  struct Case {
    POINT point;
    const wchar_t* hit;
  };
  const Case kCases[] = {
      {{5, 5}, L"top"},     {{35, 15}, L"cover"},  // over "top", later in the tree
      {{55, 35}, L"cover"},                        // over hidden "far"
      {{80, 45}, nullptr},                         // only hidden "far" is there
      {{45, 5}, nullptr},                          // between the buttons
      {{40, 5}, nullptr},                          // right edge is outside
      {{0, 30}, L"bottom"},                        // top-left edge is inside
  };
  const AccessibleTree tree(manager_.GetRoot(), describer_);
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.point.x << "," << c.point.y);
    EXPECT_EQ(NameOf(Named(c.hit)), NameOf(tree.HitTest(c.point)));
  }
}

}  // namespace
}  // namespace ui
