#include <gtest/gtest.h>

#include <vector>

#include "tests/support/control_helpers.h"
#include "tests/support/rect_compare.h"
#include "ui/controls/container.h"
#include "ui/controls/horizontal_layout.h"
#include "ui/controls/label.h"
#include "ui/controls/linear_layout.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/tab_layout.h"
#include "ui/controls/vertical_layout.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

enum class Kind { Plain, Vertical, Horizontal };

Container* MakeContainer(Kind kind) {
  switch (kind) {
    case Kind::Vertical:
      return new VerticalLayout;
    case Kind::Horizontal:
      return new HorizontalLayout;
    default:
      return new Container;
  }
}

TEST(LayoutTest, PlacesChildren) {
  struct Case {
    const char* description;
    Kind kind;
    const wchar_t* attributes;  // of the container
    RECT rect;                  // given to the container
    std::vector<const wchar_t*> children;
    std::vector<RECT> expected;
  };
  const Case kCases[] = {
      {"vertical: the stretchable child takes what the fixed ones leave",
       Kind::Vertical,
       L"",
       {0, 0, 600, 400},
       {LR"(height="150")", LR"(height="180")", L""},
       {{0, 0, 600, 150}, {0, 150, 600, 330}, {0, 330, 600, 400}}},
      {"vertical: 101 shared by two gives 50 and 51",
       Kind::Vertical,
       L"",
       {0, 0, 100, 101},
       {L"", L""},
       {{0, 0, 100, 50}, {0, 50, 100, 101}}},
      {"vertical: inset and child padding",
       Kind::Vertical,
       LR"(inset="5,6,7,8" childpadding="4")",
       {0, 0, 100, 100},
       {LR"(height="20")", L""},
       {{5, 6, 93, 26}, {5, 30, 93, 92}}},
      {"vertical: padding moves and narrows a child",
       Kind::Vertical,
       L"",
       {0, 150, 600, 330},
       {LR"(width="178" height="58" padding="210,60,0,0")", LR"(padding="10,5,20,5")"},
       {{210, 210, 388, 268}, {10, 273, 580, 325}}},
      {"vertical: max height caps a share, the last child takes the rest",
       Kind::Vertical,
       L"",
       {0, 0, 100, 300},
       {LR"(maxheight="50")", L""},
       {{0, 0, 100, 50}, {0, 50, 100, 300}}},
      {"vertical: min height raises a share and a fixed height",
       Kind::Vertical,
       L"",
       {0, 0, 100, 200},
       {LR"(minheight="120")", LR"(height="10" minheight="30")", L""},
       {{0, 0, 100, 120}, {0, 120, 100, 150}, {0, 150, 100, 200}}},
      {"vertical: widths: fixed, capped, raised",
       Kind::Vertical,
       L"",
       {0, 0, 600, 30},
       {LR"(width="50" height="10")", LR"(maxwidth="40" height="10")",
        LR"(minwidth="700" height="10")"},
       {{0, 0, 50, 10}, {0, 10, 40, 20}, {0, 20, 700, 30}}},
      {"vertical: centre and right alignment",
       Kind::Vertical,
       LR"(childalign="center")",
       {0, 0, 600, 400},
       {LR"(width="100" height="10")"},
       {{250, 0, 350, 10}}},
      {"vertical: right alignment keeps the right padding",
       Kind::Vertical,
       LR"(childalign="right")",
       {0, 0, 600, 400},
       {LR"(width="100" height="10" padding="0,0,5,0")"},
       {{495, 0, 595, 10}}},
      {"vertical: more fixed height than room leaves the stretchable child empty",
       Kind::Vertical,
       L"",
       {0, 0, 100, 100},
       {LR"(height="150")", L""},
       {{0, 0, 100, 150}, {0, 150, 100, 150}}},
      {"vertical: floating children leave the flow",
       Kind::Vertical,
       L"",
       {10, 20, 210, 120},
       {LR"(float="true" pos="0,5,600,50")", LR"(height="30")",
        LR"(float="1,1,1,1" pos="-30,-20,0,0")"},
       {{10, 25, 610, 70}, {10, 20, 210, 50}, {180, 100, 210, 120}}},
      {"horizontal: the caption strip",
       Kind::Horizontal,
       L"",
       {0, 5, 600, 50},
       {LR"(width="10" height="12")", LR"(width="133" height="38")", LR"(width="415" height="12")",
        LR"(width="12" height="12")"},
       {{0, 5, 10, 17}, {10, 5, 143, 43}, {143, 5, 558, 17}, {558, 5, 570, 17}}},
      {"horizontal: 101 shared by two gives 50 and 51",
       Kind::Horizontal,
       L"",
       {0, 0, 101, 20},
       {L"", L""},
       {{0, 0, 50, 20}, {50, 0, 101, 20}}},
      {"horizontal: padding, then a stretchable child",
       Kind::Horizontal,
       L"",
       {0, 0, 100, 50},
       {LR"(width="20" padding="5,6,7,8")", L""},
       {{5, 6, 25, 42}, {32, 0, 100, 50}}},
      {"horizontal: inset and child padding",
       Kind::Horizontal,
       LR"(inset="1,2,3,4" childpadding="6")",
       {0, 0, 100, 50},
       {LR"(width="10")", L"", L""},
       {{1, 2, 11, 46}, {17, 2, 54, 46}, {60, 2, 97, 46}}},
      {"horizontal: max and min width on shares",
       Kind::Horizontal,
       L"",
       {0, 0, 200, 10},
       {LR"(maxwidth="30")", LR"(minwidth="150")", L""},
       {{0, 0, 30, 10}, {30, 0, 180, 10}, {180, 0, 200, 10}}},
      {"horizontal: vertical centre and bottom",
       Kind::Horizontal,
       LR"(childvalign="vcenter")",
       {0, 0, 100, 50},
       {LR"(width="10" height="10")"},
       {{0, 20, 10, 30}}},
      {"horizontal: bottom alignment keeps the bottom padding",
       Kind::Horizontal,
       LR"(childvalign="bottom")",
       {0, 0, 100, 50},
       {LR"(width="10" height="10" padding="0,0,0,3")"},
       {{0, 37, 10, 47}}},
      {"horizontal: floating child anchored at the centre",
       Kind::Horizontal,
       L"",
       {0, 0, 200, 100},
       {LR"(float="0.5,0,0.5,0" pos="-10,0,10,20")", LR"(width="50")"},
       {{90, 0, 110, 20}, {0, 0, 50, 100}}},
      {"container: every child fills the inner area",
       Kind::Plain,
       LR"(inset="1,2,3,4")",
       {0, 0, 100, 100},
       {LR"(width="10" height="10")", LR"(maxwidth="50" minheight="200")"},
       {{1, 2, 97, 96}, {1, 2, 51, 202}}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    PaintManager manager;
    Container* container = MakeContainer(c.kind);
    container->ApplyAttributeList(c.attributes);
    std::vector<Control*> children;
    for (const wchar_t* attributes : c.children) {
      Control* child = new Control;
      child->ApplyAttributeList(attributes);
      container->Add(child);
      children.push_back(child);
    }
    manager.AttachRoot(container);
    container->SetRect(c.rect, false);
    ASSERT_EQ(c.expected.size(), children.size());
    for (size_t i = 0; i < children.size(); ++i)
      EXPECT_EQ(c.expected[i], children[i]->GetRect()) << "child " << i;
  }
}

// Answers a measured size of its own, as text controls do.
class MeasuredControl : public Control {
 public:
  explicit MeasuredControl(SIZE measured) : measured_(measured) {}
  SIZE MeasureSize(SIZE) override { return measured_; }

 private:
  SIZE measured_;
};

// Both linear layouts are one algorithm: each case is written along and across the axis and
// runs once as a column and once, transposed, as a row. They differ in one rule: a row stretches
// a child without a fixed width whatever it measures to, a column keeps a measured height.
TEST(LinearLayoutTest, BothAxesPlaceAlike) {
  struct Child {
    int fixedAlong = 0;
    int fixedAcross = 0;
    SIZE measured = {-1, -1};  // (along, across); -1: the control's own answer (its fixed size)
    RECT padding = {};         // near along, near across, far along, far across
    int minAlong = 0;
    int maxAlong = 0;  // 0: no maximum
    // A multi-line label with text instead: it measures to the whole room it is offered along a
    // row, and to its text's height along a column.
    bool multiLineLabel = false;
  };
  // A child's place: (start along, start across, size along, size across).
  struct Place {
    int along;
    int across;
    int alongSize;
    int acrossSize;
  };
  enum class Align { Near, Center, Far };
  struct Case {
    const char* description;
    int alongRoom;
    int acrossRoom;
    int childPadding;
    Align align;
    std::vector<Child> children;
    std::vector<Place> expected;          // in a column; none: the case runs as a row only
    std::vector<Place> rowExpected = {};  // none: as in a column
  };
  const Case kCases[] = {
      {"fixed sizes first, the last of the shares takes the remainder",
       102,
       50,
       0,
       Align::Near,
       {{.fixedAlong = 21}, {}, {}},
       {{0, 0, 21, 50}, {21, 0, 40, 50}, {61, 0, 41, 50}}},
      {"a child without a fixed size that measures 30: a column keeps 30, a row stretches it",
       100,
       50,
       0,
       Align::Near,
       {{.measured = {30, 12}}, {.measured = {0, 12}}},
       {{0, 0, 30, 50}, {30, 0, 70, 50}},
       {{0, 0, 50, 50}, {50, 0, 50, 50}}},
      {"a measured size is clamped to the limits in a column; a row shares instead",
       100,
       50,
       0,
       Align::Near,
       {{.measured = {80, 0}, .maxAlong = 40}, {.measured = {5, 0}, .minAlong = 20}, {}},
       {{0, 0, 40, 50}, {40, 0, 20, 50}, {60, 0, 40, 50}},
       {{0, 0, 33, 50}, {33, 0, 33, 50}, {66, 0, 34, 50}}},
      // Fault: a row that kept measured widths gave a multi-line label all 300 pixels, since it
      // measures to the room it is offered, and pushed the fixed child after it out of the row.
      {"a multi-line label without a width beside a 60 pixel child",
       300,
       50,
       0,
       Align::Near,
       {{.multiLineLabel = true}, {.fixedAlong = 60}},
       {},
       {{0, 0, 240, 50}, {240, 0, 60, 50}}},
      {"paddings and child padding come out of the room",
       100,
       50,
       4,
       Align::Near,
       {{.fixedAlong = 20, .padding = {3, 5, 7, 9}}, {}},
       {{3, 5, 20, 36}, {34, 0, 66, 50}}},
      {"a maximum caps a share and the last child takes the rest",
       100,
       50,
       0,
       Align::Near,
       {{.maxAlong = 30}, {}},
       {{0, 0, 30, 50}, {30, 0, 70, 50}}},
      {"more fixed size than room leaves the sharing child empty",
       100,
       50,
       0,
       Align::Near,
       {{.fixedAlong = 150}, {}},
       {{0, 0, 150, 50}, {150, 0, 0, 50}}},
      {"across: centred",
       100,
       50,
       0,
       Align::Center,
       {{.fixedAlong = 10, .fixedAcross = 10}},
       {{0, 20, 10, 10}}},
      {"across: far, keeping the far padding",
       100,
       50,
       0,
       Align::Far,
       {{.fixedAlong = 10, .fixedAcross = 10, .padding = {0, 0, 0, 3}}},
       {{0, 37, 10, 10}}},
  };
  using Axis = LinearLayout::Axis;
  for (const Case& c : kCases) {
    for (const Axis axis : {Axis::Vertical, Axis::Horizontal}) {
      const bool row = axis == Axis::Horizontal;
      const std::vector<Place>& expected =
          row && !c.rowExpected.empty() ? c.rowExpected : c.expected;
      if (expected.empty())
        continue;
      SCOPED_TRACE(testing::Message() << c.description << (row ? " (row)" : " (column)"));
      auto size = [row](int along, int across) {
        return row ? SIZE{along, across} : SIZE{across, along};
      };
      PaintManager manager;
      Container* layout = row ? static_cast<Container*>(new HorizontalLayout)
                              : static_cast<Container*>(new VerticalLayout);
      layout->SetChildPadding(SkinLength(c.childPadding));
      const int align = static_cast<int>(c.align);
      if (row)
        layout->SetChildVAlign(align == 0 ? DT_TOP : align == 1 ? DT_VCENTER : DT_BOTTOM);
      else
        layout->SetChildAlign(align == 0 ? DT_LEFT : align == 1 ? DT_CENTER : DT_RIGHT);
      std::vector<Control*> children;
      for (const Child& wanted : c.children) {
        const SIZE measured = size(wanted.measured.cx, wanted.measured.cy);
        Control* child = nullptr;
        if (wanted.multiLineLabel)
          child = testing_support::Make<Label>(
              {{L"multiline", L"true"}, {L"text", L"Two words, then more."}});
        else if (wanted.measured.cx < 0)
          child = new Control;
        else
          child = new MeasuredControl(measured);
        const SIZE fixed = size(wanted.fixedAlong, wanted.fixedAcross);
        child->SetFixedWidth(SkinLength(fixed.cx));
        child->SetFixedHeight(SkinLength(fixed.cy));
        const RECT& p = wanted.padding;
        child->SetPadding(SkinRect(row ? RECT{p.left, p.top, p.right, p.bottom}
                                       : RECT{p.top, p.left, p.bottom, p.right}));
        const SkinLength minAlong(wanted.minAlong);
        const SkinLength maxAlong(wanted.maxAlong);
        if (wanted.minAlong)
          row ? child->SetMinWidth(minAlong) : child->SetMinHeight(minAlong);
        if (wanted.maxAlong)
          row ? child->SetMaxWidth(maxAlong) : child->SetMaxHeight(maxAlong);
        layout->Add(child);
        children.push_back(child);
      }
      manager.AttachRoot(layout);
      const SIZE room = size(c.alongRoom, c.acrossRoom);
      layout->SetRect({0, 0, room.cx, room.cy}, false);
      ASSERT_EQ(expected.size(), children.size());
      for (size_t i = 0; i < children.size(); ++i) {
        const Place& e = expected[i];
        const SIZE start = size(e.along, e.across);
        const SIZE extent = size(e.alongSize, e.acrossSize);
        EXPECT_EQ((RECT{start.cx, start.cy, start.cx + extent.cx, start.cy + extent.cy}),
                  children[i]->GetRect())
            << "child " << i;
      }
    }
  }
}

TEST(LayoutTest, ContentTallerThanTheLayoutScrolls) {
  PaintManager manager;
  auto* list = new VerticalLayout;
  list->SetAttribute(L"vscrollbar", L"true");
  auto* first = testing_support::Make<Control>({{L"height", L"80"}});
  auto* second = testing_support::Make<Control>({{L"height", L"80"}});
  list->Add(first);
  list->Add(second);
  manager.AttachRoot(list);
  list->SetRect({0, 0, 100, 100}, false);

  ScrollBar* bar = list->VerticalScrollBar();
  ASSERT_NE(nullptr, bar);
  ASSERT_TRUE(bar->IsVisible());
  EXPECT_EQ(60, list->GetScrollExtent().cy);
  EXPECT_EQ((RECT{84, 0, 100, 100}), bar->GetRect());
  EXPECT_EQ((RECT{0, 80, 84, 160}), second->GetRect());

  list->ScrollLineDown();
  EXPECT_EQ(8, list->GetScrollOffset().cy);
  EXPECT_EQ((RECT{0, -8, 84, 72}), first->GetRect());
  list->ScrollEnd();
  EXPECT_EQ((RECT{0, -60, 84, 20}), first->GetRect());
  list->ScrollPageDown();
  EXPECT_EQ(60, list->GetScrollOffset().cy) << "the bar keeps the offset within the extent";
  list->SetRect({0, 0, 100, 100}, false);
  EXPECT_EQ((RECT{0, -60, 84, 20}), first->GetRect()) << "a new layout keeps the offset";

  // Once everything fits, the bar goes and the children take the full width again.
  first->SetFixedHeight(SkinLength(30));
  second->SetFixedHeight(SkinLength(30));
  list->SetRect({0, 0, 100, 100}, false);
  EXPECT_FALSE(bar->IsVisible());
  EXPECT_EQ(0, list->GetScrollOffset().cy);
  EXPECT_EQ((RECT{0, 0, 100, 30}), first->GetRect());
}

// The band follows the pointer as soon as the pointer moves inside it. A rule that measured
// the pointer against the far side of the band made the edge wait until the pointer was a
// band's width beyond it, so short drags did nothing.
TEST(LayoutTest, SeparatorDragFollowsThePointer) {
  struct Move {
    POINT point;
    int fixedSize;  // along the layout's axis, after the move
    const char* why;
  };
  struct Case {
    const char* description;
    Kind kind;  // of the dragged layout and of its parent
    std::vector<std::pair<const wchar_t*, const wchar_t*>> attributes;
    RECT band;
    POINT press;
    std::vector<Move> moves;
    RECT placed;  // after the drag and a new layout
  };
  const Case kCases[] = {
      {"bottom edge, capped by the maximum height",
       Kind::Vertical,
       {{L"height", L"50"}, {L"sepheight", L"4"}, {L"maxheight", L"56"}},
       {0, 46, 100, 50},
       {50, 48},
       {{{50, 51}, 53, "follows the pointer"},
        {{50, 70}, 56, "capped by the maximum height"},
        {{50, 65}, 56, "the pointer is still below the band"}},
       {0, 0, 100, 56}},
      // A negative width puts the band on the left edge, which moves while the right one stays.
      {"left edge, held at the minimum width",
       Kind::Horizontal,
       {{L"width", L"50"}, {L"sepwidth", L"-4"}, {L"minwidth", L"40"}},
       {0, 0, 4, 100},
       {2, 50},
       {{{-3, 50}, 55, "dragging left widens"},
        {{20, 50}, 40, "held at the minimum width"},
        {{15, 50}, 40, "the pointer is still right of the band"}},
       {0, 0, 40, 100}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    PaintManager manager;
    Container* parent = MakeContainer(c.kind);
    auto* panel = static_cast<LinearLayout*>(MakeContainer(c.kind));
    for (const auto& [name, value] : c.attributes)
      panel->SetAttribute(name, value);
    parent->Add(panel);
    parent->Add(new Control);
    manager.AttachRoot(parent);
    const RECT parentRect = c.kind == Kind::Vertical ? RECT{0, 0, 100, 200} : RECT{0, 0, 200, 100};
    parent->SetRect(parentRect, false);
    ASSERT_EQ(c.band, panel->SeparatorBand(panel->GetRect()));
    EXPECT_EQ(FlagSetCursor, panel->GetFlags());

    ControlEvent event;
    event.kind = ControlEventKind::ButtonDown;
    event.mousePoint = c.press;
    panel->HandleEvent(event);
    ASSERT_TRUE(panel->IsDragging());

    event.kind = ControlEventKind::MouseMove;
    for (const Move& move : c.moves) {
      event.mousePoint = move.point;
      panel->HandleEvent(event);
      const SkinLength fixedSize =
          c.kind == Kind::Vertical ? panel->GetFixedHeight() : panel->GetFixedWidth();
      EXPECT_EQ(move.fixedSize, fixedSize.Unscaled()) << move.why;
    }

    event.kind = ControlEventKind::ButtonUp;
    panel->HandleEvent(event);
    EXPECT_FALSE(panel->IsDragging());
    parent->SetRect(parentRect, false);
    EXPECT_EQ(c.placed, panel->GetRect());
  }
}

TEST(ContainerTest, ChildListOperations) {
  auto names = [](const Container& container) {
    std::wstring text;
    for (int i = 0; i < container.Count(); ++i)
      text += container.ItemAt(i)->GetName();
    return text;
  };
  Container list;
  std::vector<Control*> items;
  for (const wchar_t* name : {L"a", L"b", L"c", L"d", L"e"}) {
    items.push_back(testing_support::Make<Control>({{L"name", name}}));
    ASSERT_TRUE(list.Add(items.back()));
  }
  EXPECT_FALSE(list.Add(nullptr));
  EXPECT_EQ(nullptr, list.ItemAt(5));
  EXPECT_EQ(-1, list.IndexOf(nullptr));

  EXPECT_TRUE(list.MoveItem(items[0], 2));
  EXPECT_EQ(L"bcade", names(list));
  EXPECT_TRUE(list.MoveItems(items[2], 2, 0));  // "ca" to the front
  EXPECT_EQ(L"cabde", names(list));
  EXPECT_FALSE(list.MoveItems(items[3], 3, 0)) << "the run passes the end";
  EXPECT_FALSE(list.MoveItems(items[3], 2, 4)) << "the destination passes the end";

  EXPECT_TRUE(list.Remove(items[1], true));
  EXPECT_EQ(L"cade", names(list));
  items[1]->Destroy();  // kept alive for the caller
  EXPECT_TRUE(list.RemoveAt(0));
  EXPECT_FALSE(list.Remove(items[2]));
  EXPECT_EQ(L"ade", names(list));

  EXPECT_EQ(static_cast<IContainer*>(&list), list.CastTo(L"IContainer"));
  EXPECT_EQ(&list, list.CastTo(L"Control"));
  EXPECT_EQ(nullptr, list.CastTo(L"TabLayout"));
}

class TabLayoutTest : public testing::Test, public INotifyListener {
 protected:
  void SetUp() override {
    manager_.AddListener(this);
    tabs_ = new TabLayout;
    manager_.AttachRoot(tabs_);
    for (int i = 0; i < 3; ++i) {
      pages_.push_back(new Container);
      tabs_->Add(pages_.back());
    }
    tabs_->SetRect({0, 0, 600, 400}, false);
  }

  void ReceiveNotification(Notification& notification) override {
    if (notification.type == L"tabselect")
      switches_.push_back({static_cast<int>(notification.wParam), notification.lParam});
  }

  std::vector<bool> Shown() const {
    std::vector<bool> shown;
    for (Control* page : pages_)
      shown.push_back(page->IsVisible());
    return shown;
  }

  PaintManager manager_;
  TabLayout* tabs_ = nullptr;
  std::vector<Container*> pages_;
  std::vector<std::pair<int, int>> switches_;  // (new index, old index)
};

TEST_F(TabLayoutTest, FirstVisibleChildIsSelectedOthersHidden) {
  EXPECT_EQ(0, tabs_->GetSelectedIndex());
  EXPECT_EQ((std::vector<bool>{true, false, false}), Shown());
  EXPECT_EQ((RECT{0, 0, 600, 400}), pages_[0]->GetRect());
  EXPECT_EQ((RECT{0, 0, 0, 0}), pages_[1]->GetRect()) << "hidden pages are not placed";
}

TEST_F(TabLayoutTest, SelectItemSwitchesPagesAndNotifies) {
  EXPECT_TRUE(tabs_->SelectItem(2, Notify::Yes));
  EXPECT_EQ((std::vector<bool>{false, false, true}), Shown());
  EXPECT_TRUE(tabs_->SelectItem(2, Notify::Yes)) << "already selected";
  EXPECT_TRUE(tabs_->SelectItem(1, Notify::No));
  EXPECT_FALSE(tabs_->SelectItem(3, Notify::Yes));
  EXPECT_FALSE(tabs_->SelectItem(-1, Notify::Yes));
  EXPECT_EQ(1, tabs_->GetSelectedIndex());
  EXPECT_EQ((std::vector<std::pair<int, int>>{{2, 0}}), switches_);

  tabs_->SetRect({0, 0, 600, 400}, false);
  EXPECT_EQ((RECT{0, 0, 600, 400}), pages_[1]->GetRect());
}

TEST_F(TabLayoutTest, RemovingAndInsertingKeepTheSelection) {
  tabs_->SelectItem(1, Notify::No);
  auto* front = new Container;
  tabs_->Insert(front, 0);
  EXPECT_EQ(2, tabs_->GetSelectedIndex()) << "the selected page moved up";
  EXPECT_TRUE(front->IsVisible()) << "inserted before the selection: left as it is";
  auto* back = new Container;
  tabs_->Insert(back, 4);
  EXPECT_FALSE(back->IsVisible());

  tabs_->Remove(front);
  EXPECT_EQ(1, tabs_->GetSelectedIndex());
  tabs_->Remove(pages_[1]);
  EXPECT_EQ(0, tabs_->GetSelectedIndex()) << "the selected page went: the first takes over";
  EXPECT_TRUE(pages_[0]->IsVisible());
  tabs_->Clear();
  EXPECT_EQ(-1, tabs_->GetSelectedIndex());
}

TEST_F(TabLayoutTest, SelectedIdSelectsAndIsKept) {
  tabs_->SetAttribute(L"selectedid", L"2");
  EXPECT_EQ(2, tabs_->GetSelectedIndex());
  EXPECT_STREQ(L"2", tabs_->GetExtraAttribute(L"selectedid"));
  EXPECT_EQ((std::vector<std::pair<int, int>>{{2, 0}}), switches_);
}

}  // namespace
}  // namespace ui
