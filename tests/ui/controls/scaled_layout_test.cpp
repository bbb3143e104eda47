#include <gtest/gtest.h>

#include "tests/support/rect_compare.h"
#include "ui/controls/container.h"
#include "ui/controls/horizontal_layout.h"
#include "ui/controls/tab_layout.h"
#include "ui/controls/vertical_layout.h"
#include "ui/core/paint_manager.h"

// Layout at 150 %: each size the skin writes becomes pixels exactly once. A control laid out from
// a skin size taken as pixels comes out at its skin size, one scaled twice at 2.25 times it.
namespace ui {
namespace {

constexpr int kOneAndAHalfDpi = 144;

enum class Kind { Plain, Row, Column, Tabs };

Container* MakeContainer(Kind kind) {
  switch (kind) {
    case Kind::Row:
      return new HorizontalLayout;
    case Kind::Column:
      return new VerticalLayout;
    case Kind::Tabs:
      return new TabLayout;
    default:
      return new Container;
  }
}

TEST(ScaledLayoutTest, SkinSizesBecomePixelsOnce) {
  struct Case {
    const char* description;
    Kind kind;
    const wchar_t* containerAttributes;
    const wchar_t* childAttributes;
    RECT expected;  // the child's rectangle in a container at {0, 0, 300, 300}
  };
  const Case kCases[] = {
      {"a fixed width and height in a row",
       Kind::Row,
       L"",
       LR"(width="100" height="20")",
       {0, 0, 150, 30}},
      {"inset and padding in a column",
       Kind::Column,
       LR"(inset="10,10,10,10")",
       LR"(height="20" padding="4,2,0,0")",
       {21, 18, 285, 48}},
      {"a minimum width raises a share",
       Kind::Row,
       L"",
       LR"(minwidth="250" height="20")",
       {0, 0, 375, 30}},
      {"a page fills the tab layout's inner rectangle",
       Kind::Tabs,
       LR"(inset="10,20,10,20")",
       L"",
       {15, 30, 285, 270}},
      {"a floating position",
       Kind::Plain,
       L"",
       LR"(float="true" pos="10,10,50,30")",
       {15, 15, 75, 45}},
      {"the scroll bar that an overflow shows takes its scaled width off the child's",
       Kind::Column,
       LR"(vscrollbar="true")",
       LR"(height="250")",
       {0, 0, 276, 375}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    PaintManager manager;
    manager.SetDpi(kOneAndAHalfDpi);
    Container* container = MakeContainer(c.kind);
    manager.AttachRoot(container);
    container->ApplyAttributeList(c.containerAttributes);
    auto* child = new Control;
    child->ApplyAttributeList(c.childAttributes);
    container->Add(child);
    container->SetRect({0, 0, 300, 300}, false);
    EXPECT_EQ(c.expected, child->GetRect());
  }
}

}  // namespace
}  // namespace ui
