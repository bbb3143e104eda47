#include "ui/controls/label.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/control_helpers.h"
#include "tests/support/paint_surface.h"
#include "tests/support/rect_compare.h"
#include "tests/support/test_window.h"
#include "ui/controls/button.h"
#include "ui/controls/check_box.h"
#include "ui/controls/container.h"
#include "ui/controls/option.h"
#include "ui/controls/progress.h"
#include "ui/controls/slider.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

using testing_support::RecordingPainter;

TEST(LabelTest, AlignmentAttributesSetTextStyle) {
  constexpr uint32_t kDefault = DT_SINGLELINE | DT_VCENTER;
  struct Case {
    const wchar_t* attributes;
    uint32_t style;
  };
  const Case kCases[] = {
      {L"", kDefault},
      {LR"(align="center")", kDefault | DT_CENTER},
      {LR"(align="right")", kDefault | DT_RIGHT},
      {LR"(align="right" align="left")", kDefault},
      // The words are looked for in the order left, center, right: right wins wherever it is.
      {LR"(align="left right")", kDefault | DT_RIGHT},
      {LR"(align="right center")", kDefault | DT_RIGHT},
      {LR"(valign="top")", DT_SINGLELINE},
      {LR"(valign="bottom")", DT_SINGLELINE | DT_BOTTOM},
      {LR"(valign="top" valign="vcenter")", kDefault},
      {LR"(valign="center")", kDefault},  // the check box's value: no known word
      {LR"(multiline="true")", DT_VCENTER | DT_WORDBREAK},
      {LR"(multiline="true" multiline="false")", kDefault | DT_WORDBREAK},
      {LR"(endellipsis="true")", kDefault | DT_END_ELLIPSIS},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.attributes);
    Label label;
    label.ApplyAttributeList(c.attributes);
    EXPECT_EQ(c.style, label.GetTextStyle());
  }
}

TEST(LabelTest, PaddingAndAlignmentPlaceTheText) {
  struct Case {
    const wchar_t* attributes;
    RECT textRect;
    uint32_t style;
    TextMarkup markup;
  };
  const Case kCases[] = {
      {L"", {10, 20, 210, 50}, DT_SINGLELINE | DT_VCENTER, TextMarkup::Plain},
      {LR"(textpadding="18,2,0,0" align="left")",
       {28, 22, 210, 50},
       DT_SINGLELINE | DT_VCENTER,
       TextMarkup::Plain},
      {LR"(textpadding="1,2,3,4" align="right" valign="bottom")",
       {11, 22, 207, 46},
       DT_SINGLELINE | DT_RIGHT | DT_BOTTOM,
       TextMarkup::Plain},
      {LR"(showhtml="true" align="center")",
       {10, 20, 210, 50},
       DT_SINGLELINE | DT_VCENTER | DT_CENTER,
       TextMarkup::Formatted},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.attributes);
    testing_support::ControlInWindow<Label> w({10, 20, 210, 50});
    w.control->SetText(L"text");
    w.control->ApplyAttributeList(c.attributes);
    EXPECT_EQ(c.textRect, w.control->GetTextRect());
    RecordingPainter painter;
    w.control->PaintLabelText(painter);
    ASSERT_EQ(1u, painter.texts.size());
    EXPECT_EQ(c.textRect, painter.texts[0].rect);
    EXPECT_EQ(c.style, painter.texts[0].style);
    EXPECT_EQ(c.markup, painter.texts[0].markup);
  }
}

TEST(LabelTest, ColoursDefaultToTheWindowsAndFollowEnabled) {
  testing_support::ControlInWindow<Label> w;
  w.control->ApplyAttributeList(LR"(text="x" font="3")");
  RecordingPainter enabled;
  w.control->PaintLabelText(enabled);
  ASSERT_EQ(1u, enabled.texts.size());
  EXPECT_EQ(w.manager.GetDefaultFontColor(), enabled.texts[0].color);
  EXPECT_EQ(w.manager.GetDefaultFontColor(), w.control->GetTextColor()) << "kept once taken";
  EXPECT_EQ(3, enabled.texts[0].font);

  w.control->ApplyAttributeList(LR"(textcolor="#FF555555" disabledtextcolor="FF999999")");
  w.control->SetEnabled(false);
  RecordingPainter disabled;
  w.control->PaintLabelText(disabled);
  EXPECT_EQ(0xFF999999u, disabled.texts[0].color);

  w.control->SetText(L"");
  RecordingPainter empty;
  w.control->PaintLabelText(empty);
  EXPECT_TRUE(empty.texts.empty());
}

TEST(LabelTest, ShadowOffsetFromDistanceAndAngle) {
  struct Case {
    int distance, angle, top, left;
    bool accepted;
    float dx, dy;
  };
  const Case kCases[] = {
      {3, 45, 0, 0, true, -3, -3}, {3, 135, 0, 0, true, -3, 3},  {3, -45, 0, 0, true, 3, -3},
      {3, -90, 0, 0, true, 3, 0},  {3, -180, 0, 0, true, 0, 3},  {3, 0, 10, 20, true, 7, 17},
      {3, 181, 0, 0, false, 0, 0}, {3, -181, 0, 0, false, 0, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.distance << " at " << c.angle);
    ShadowOffset offset;
    EXPECT_EQ(c.accepted, ComputeShadowOffset(c.distance, c.angle, c.top, c.left, offset));
    EXPECT_EQ(c.dx, offset.dx);
    EXPECT_EQ(c.dy, offset.dy);
  }
}

TEST(LabelTest, ClassNamesAndCasts) {
  struct Case {
    Control* control;
    const wchar_t* className;
    std::vector<const wchar_t*> casts;
  };
  const Case kCases[] = {
      {new Label, L"Label", {L"Label", L"Control"}},
      {new Button, L"Button", {L"Button", L"Label", L"Control"}},
      {new Option, L"Option", {L"Option", L"Button", L"Label"}},
      {new CheckBox, L"CheckBox", {L"CheckBox", L"Option", L"Button", L"Label", L"Control"}},
      {new Progress, L"Progress", {L"Progress", L"Label"}},
      {new Slider, L"Slider", {L"Slider", L"Progress", L"Label", L"Control"}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.className);
    EXPECT_STREQ(c.className, c.control->GetClassName());
    for (const wchar_t* name : c.casts)
      EXPECT_EQ(c.control, c.control->CastTo(name)) << testing::PrintToString(std::wstring(name));
    EXPECT_EQ(nullptr, c.control->CastTo(L"TabLayout"));
    c.control->Destroy();
  }
  Label label;
  EXPECT_EQ(nullptr, label.CastTo(L"Button"));
}

// Measuring needs the window's DC and fonts.
class LabelMeasureTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, window_.Get());
    manager_.AttachWindow(window_.Get());
    root_ = new Container;
    manager_.AttachRoot(root_);
  }

  Label* AddLabel(const wchar_t* attributes) {
    auto* label = new Label;
    label->ApplyAttributeList(attributes);
    root_->Add(label);
    return label;
  }

  TestWindow window_;  // destroyed after the manager that uses its DC
  PaintManager manager_;
  Container* root_ = nullptr;
};

TEST_F(LabelMeasureTest, SingleLineTakesFontHeightAndTextWidth) {
  const int fontHeight = manager_.GetFontInfo(-1).metrics.tmHeight;
  ASSERT_GT(fontHeight, 0);
  Label* shortText = AddLabel(LR"(text="Size" textpadding="3,1,5,2")");
  Label* longText = AddLabel(LR"(text="Size: 12.5 MB of 80.0 MB" textpadding="3,1,5,2")");
  const SIZE shortSize = shortText->MeasureSize({600, 400});
  const SIZE longSize = longText->MeasureSize({600, 400});
  EXPECT_EQ(fontHeight + 8 + 1 + 2, shortSize.cy);
  EXPECT_GT(shortSize.cx, 8);
  EXPECT_GT(longSize.cx, shortSize.cx);

  Label* fixed = AddLabel(LR"(text="Size" width="80")");
  EXPECT_EQ(80, fixed->MeasureSize({600, 400}).cx);
  Label* empty = AddLabel(LR"(textpadding="3,1,5,2")");
  EXPECT_EQ(8, empty->MeasureSize({600, 400}).cx) << "empty text takes only the padding";

  // The cache follows the text.
  shortText->SetText(L"Size: 12.5 MB of 80.0 MB");
  EXPECT_EQ(longSize.cx, shortText->MeasureSize({600, 400}).cx);

  // Buttons measure only their height, from the font, unless it is fixed.
  auto* button = new Button;
  button->ApplyAttributeList(LR"(width="90" text="User agreement" textpadding="0,2,0,0")");
  root_->Add(button);
  EXPECT_EQ(90, button->MeasureSize({600, 400}).cx);
  EXPECT_EQ(fontHeight + 8, button->MeasureSize({600, 400}).cy);
  button->SetFixedHeight(SkinLength(23));
  EXPECT_EQ(23, button->MeasureSize({600, 400}).cy);
}

TEST_F(LabelMeasureTest, MultiLineHeightDependsOnTheAvailableWidth) {
  Label* label = AddLabel(
      LR"(multiline="true" textpadding="4,0,4,0" )"
      LR"(text="Quenby is being installed on this computer. Please wait a moment.")");
  const SIZE wide = label->MeasureSize({600, 400});
  const SIZE narrow = label->MeasureSize({80, 400});
  EXPECT_EQ(600, wide.cx);
  EXPECT_EQ(80, narrow.cx);
  EXPECT_GT(narrow.cy, wide.cy);
  EXPECT_EQ(wide.cy, label->MeasureSize({600, 400}).cy);
}

// The effect path draws through GDI+ into the device context.
TEST(LabelEffectsTest, DrawsGradientTextWithOutline) {
  testing_support::ControlInWindow<Label> w({0, 0, 120, 40});
  w.control->ApplyAttributeList(
      LR"(text="QUENBY" enabledeffect="true" textcolor="#FFFF0000" textcolor1="#FFFF0000" )"
      LR"(enabledstroke="true" strokecolor="#FF0000FF" enabledshadow="true" )"
      LR"(enabledluminous="true")");

  testing_support::PaintSurface surface(120, 40);
  w.control->PaintText(surface.dc());
  ::GdiFlush();
  const RECT all = {0, 0, 120, 40};
  const int red = surface.Count(all, [](uint32_t c) {
    return ((c >> 16) & 0xFF) > 0xC0 && ((c >> 8) & 0xFF) < 0x40 && (c & 0xFF) < 0x40;
  });
  const int blue = surface.Count(all, [](uint32_t c) {
    return (c & 0xFF) > 0xC0 && ((c >> 8) & 0xFF) < 0x40 && ((c >> 16) & 0xFF) < 0x40;
  });
  EXPECT_GT(red, 20) << "text in the text colour";
  EXPECT_GT(blue, 5) << "outline in the stroke colour";
}

}  // namespace
}  // namespace ui
