#include "ui/controls/button.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/control_helpers.h"
#include "tests/support/managed_window.h"
#include "tests/support/message_pump.h"
#include "tests/support/rect_compare.h"
#include "tests/support/test_window.h"
#include "ui/core/skin_settings.h"

namespace ui {
namespace {

using testing_support::RecordingPainter;
using Window = testing_support::ControlInWindow<Button>;

constexpr POINT kInside = {50, 20};
constexpr POINT kOutside = {200, 20};

// The installer's buttons have these three; the full set adds the rest.
constexpr const wchar_t* kThreeImages =
    LR"(normalimage="normal" hotimage="hot" pushedimage="pushed")";
constexpr const wchar_t* kAllImages =
    LR"(normalimage="normal" hotimage="hot" pushedimage="pushed" focusedimage="focused" )"
    LR"(disabledimage="disabled" foreimage="fore")";

void Hover(Window& w) {
  w.Send(ControlEventKind::MouseEnter, kInside);
}
void Press(Window& w) {
  w.Send(ControlEventKind::ButtonDown, kInside);
}
void Focus(Window& w) {
  w.Send(ControlEventKind::SetFocus, kInside);
}
void Disable(Window& w) {
  w.control->SetEnabled(false);
}

TEST(ButtonTest, StateChoosesImage) {
  struct Case {
    const char* description;
    const wchar_t* attributes;
    std::function<void(Window&)> act;
    std::set<std::wstring> missing;
    const wchar_t* drawn;
    std::vector<uint32_t> fills = {};
  };
  const Case kCases[] = {
      {"normal", kThreeImages, nullptr, {}, L"normal"},
      {"hovered", kThreeImages, Hover, {}, L"hot"},
      {"held inside", kThreeImages, Press, {}, L"pushed"},
      {"held, pointer moved out",
       kThreeImages,
       [](Window& w) {
         Press(w);
         w.Send(ControlEventKind::MouseMove, kOutside);
       },
       {},
       L"normal"},
      {"focused without a focused image", kThreeImages, Focus, {}, L"normal"},
      {"disabled without a disabled image", kThreeImages, Disable, {}, L"normal"},
      {"pushed wins over hot",
       kAllImages,
       [](Window& w) {
         Hover(w);
         Press(w);
       },
       {},
       L"pushed + fore"},
      {"focused", kAllImages, Focus, {}, L"focused + fore"},
      {"disabled", kAllImages, Disable, {}, L"disabled + fore"},
      {"disabling clears hot",
       kAllImages,
       [](Window& w) {
         Hover(w);
         Disable(w);
       },
       {},
       L"disabled + fore"},
      {"pushed image missing", kAllImages, Press, {L"pushed"}, L"normal + fore"},
      {"hot image missing", kAllImages, Hover, {L"hot"}, L"normal + fore"},
      {"hot fore image ends the paint",
       LR"(hotimage="hot" hotforeimage="hotfore" foreimage="fore")",
       Hover,
       {},
       L"hot + hotfore"},
      {"hot back colour ends the paint",
       LR"(hotimage="hot" hotbkcolor="#FF102030" foreimage="fore")",
       Hover,
       {},
       L"hot",
       {0xFF102030}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    Window w;
    w.control->ApplyAttributeList(c.attributes);
    if (c.act)
      c.act(w);
    RecordingPainter painter;
    painter.missing = c.missing;
    w.control->PaintButtonImages(painter);
    EXPECT_EQ(c.drawn, painter.Drawn());
    EXPECT_EQ(c.fills, painter.fills);
  }
}

TEST(ButtonTest, ClickNeedsPressAndReleaseInside) {
  Window w;
  Hover(w);
  Press(w);
  EXPECT_EQ(StateHot | StatePushed | StateCaptured, w.control->GetButtonState());
  w.Send(ControlEventKind::MouseMove, kOutside);
  w.Send(ControlEventKind::ButtonUp, kOutside);
  EXPECT_TRUE(w.log.received.empty()) << "released outside";
  EXPECT_EQ(0u, w.control->GetButtonState() & (StatePushed | StateCaptured));

  Press(w);
  w.Send(ControlEventKind::MouseMove, kOutside);
  w.Send(ControlEventKind::MouseMove, kInside);
  w.Send(ControlEventKind::ButtonUp, kInside);
  ASSERT_EQ(1u, w.log.received.size());
  EXPECT_EQ(L"click", w.log.received[0].type);
  EXPECT_EQ(w.control, w.log.received[0].sender);

  w.Send(ControlEventKind::ButtonUp, kInside);
  EXPECT_EQ(1u, w.log.received.size()) << "a release without a press is no click";
  w.Send(ControlEventKind::ButtonDown, kOutside);
  EXPECT_EQ(0u, w.control->GetButtonState() & StateCaptured) << "a press outside is ignored";
}

TEST(ButtonTest, KeysAndActivation) {
  struct Case {
    const char* description;
    std::function<void(Window&)> prepare;
    uint32_t key;
    bool clicks;
  };
  const Case kCases[] = {
      {"space", nullptr, VK_SPACE, true},
      {"return", nullptr, VK_RETURN, true},
      {"another key", nullptr, 'A', false},
      {"disabled", Disable, VK_SPACE, false},
      {"hidden", [](Window& w) { w.control->SetVisible(false); }, VK_RETURN, false},
      {"keyboard off", [](Window& w) { w.control->SetKeyboardEnabled(false); }, VK_SPACE, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    Window w;
    if (c.prepare)
      c.prepare(w);
    w.Send(ControlEventKind::KeyDown, kInside, c.key);
    EXPECT_EQ(c.clicks ? 1u : 0u, w.log.received.size());
  }
}

// A disabled button keeps its tab stop (the Tab walk skips disabled controls by itself); only
// the cursor flag follows the enabled state.
TEST(ButtonTest, FlagsFollowEnabledAndKeyboard) {
  struct Case {
    bool enabled;
    bool keyboard;
    uint32_t flags;
  };
  const Case kCases[] = {
      {true, true, FlagSetCursor | FlagTabStop},
      {true, false, FlagSetCursor},
      {false, true, FlagTabStop},
      {false, false, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "enabled " << c.enabled << ", keyboard " << c.keyboard);
    Button button;
    button.SetEnabled(c.enabled);
    button.SetKeyboardEnabled(c.keyboard);
    EXPECT_EQ(c.flags, button.GetFlags());
  }
}

TEST(ButtonTest, MouseOffIgnoresTheMouse) {
  Window w;
  w.control->SetAttribute(L"mouse", L"false");
  Hover(w);
  Press(w);
  w.Send(ControlEventKind::ButtonUp, kInside);
  EXPECT_EQ(0u, w.control->GetButtonState());
  EXPECT_TRUE(w.log.received.empty());
}

TEST(ButtonTest, MouseLeaveWhileStillInsideKeepsHot) {
  Window w;
  Hover(w);
  w.Send(ControlEventKind::MouseLeave, kInside);
  EXPECT_EQ(StateHot, w.control->GetButtonState());
  w.Send(ControlEventKind::MouseLeave, kOutside);
  EXPECT_EQ(0u, w.control->GetButtonState());
}

TEST(ButtonTest, HoverFadeReachesHotImageInFiveTicks) {
  Window w;
  w.control->ApplyAttributeList(LR"(normalimage="normal" hotimage="hot" fadedelta="51")");
  Hover(w);
  for (int alpha : {204, 153, 102, 51, 0}) {
    w.Send(ControlEventKind::Timer, kInside, Button::kFadeTimerId);
    EXPECT_EQ(alpha, w.control->GetFadeAlpha());
  }
  w.Send(ControlEventKind::Timer, kInside, Button::kFadeTimerId);
  EXPECT_EQ(0, w.control->GetFadeAlpha()) << "a finished fade stays";

  RecordingPainter atHot;
  w.control->PaintButtonImages(atHot);
  ASSERT_EQ(1u, atHot.images.size());
  EXPECT_EQ(L"hot", atHot.images[0].description);
  EXPECT_EQ(255, atHot.images[0].fade);

  // Leaving turns the fade round; on the way both images are blended.
  w.Send(ControlEventKind::MouseLeave, kOutside);
  w.Send(ControlEventKind::Timer, kOutside, Button::kFadeTimerId);
  w.Send(ControlEventKind::Timer, kOutside, Button::kFadeTimerId);
  EXPECT_EQ(102, w.control->GetFadeAlpha());
  RecordingPainter halfWay;
  w.control->PaintButtonImages(halfWay);
  ASSERT_EQ(L"hot + normal", halfWay.Drawn());
  EXPECT_EQ(255 - 102, halfWay.images[0].fade);
  EXPECT_EQ(102, halfWay.images[1].fade);

  for (int tick = 0; tick < 3; ++tick)
    w.Send(ControlEventKind::Timer, kOutside, Button::kFadeTimerId);
  EXPECT_EQ(255, w.control->GetFadeAlpha());

  // Timers of other ids are the base class's: they become "timer" notifications.
  w.Send(ControlEventKind::Timer, kOutside, 3);
  ASSERT_EQ(1u, w.log.received.size());
  EXPECT_EQ(L"timer", w.log.received[0].type);
}

TEST(ButtonTest, FadeRunsOnTheWindowsTimer) {
  Window w;
  testing_support::ManagedWindow window(&w.manager);
  ASSERT_NE(nullptr, window.Get());
  w.manager.AttachWindow(window.Get());

  w.control->SetAttribute(L"fadedelta", L"51");
  Hover(w);
  ASSERT_TRUE(PumpUntil([&] { return w.control->GetFadeAlpha() == 0; }));
  w.Send(ControlEventKind::MouseLeave, kOutside);
  ASSERT_TRUE(PumpUntil([&] { return w.control->GetFadeAlpha() == 255; }));
  EXPECT_TRUE(w.log.received.empty()) << "the fade timer is the button's own, not a \"timer\"";
}

TEST(ButtonTest, TextColourFollowsState) {
  struct Case {
    const char* description;
    std::function<void(Window&)> act;
    uint32_t color;
  };
  const Case kCases[] = {
      {"normal", nullptr, 0xFF000001},   {"hot", Hover, 0xFF000002},
      {"pushed", Press, 0xFF000003},     {"focused", Focus, 0xFF000004},
      {"disabled", Disable, 0xFF000005},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    Window w;
    w.control->ApplyAttributeList(
        LR"(text="Go" textpadding="4,2,4,2" textcolor="#FF000001" hottextcolor="#FF000002" )"
        LR"(pushedtextcolor="#FF000003" focusedtextcolor="#FF000004" )"
        LR"(disabledtextcolor="#FF000005")");
    if (c.act)
      c.act(w);
    RecordingPainter painter;
    w.control->PaintButtonText(painter);
    ASSERT_EQ(1u, painter.texts.size());
    EXPECT_EQ(c.color, painter.texts[0].color);
    EXPECT_EQ((RECT{14, 12, 106, 38}), painter.texts[0].rect);
  }
}

TEST(ButtonTest, FiveStatusImageCutsOneImageIntoFiveCells) {
  SetSkinFolder(std::wstring(QUENBY_SOURCE_DIR) + L"/resources/install_online/");
  Window w;
  w.control->ApplyAttributeList(LR"(float="true" fivestatusimage="file='btn_browse.png'")");
  SetSkinFolder(L"");
  // btn_browse.png is 60 x 96: five cells 12 wide.
  EXPECT_EQ((RECT{0, 0, 12, 96}), w.control->GetNormalImage().source.Unscaled());
  EXPECT_EQ((RECT{12, 0, 24, 96}), w.control->GetPushedImage().source.Unscaled());
  EXPECT_EQ((RECT{24, 0, 36, 96}), w.control->GetHotImage().source.Unscaled());
  EXPECT_EQ((RECT{36, 0, 48, 96}), w.control->GetFocusedImage().source.Unscaled());
  EXPECT_EQ((RECT{48, 0, 60, 96}), w.control->GetDisabledImage().source.Unscaled());
  EXPECT_EQ(12, w.control->GetFixedWidth().Unscaled()) << "a floating button takes one cell's size";
  EXPECT_EQ(96, w.control->GetFixedHeight().Unscaled());
}

}  // namespace
}  // namespace ui
