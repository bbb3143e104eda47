#include <gtest/gtest.h>

#include "tests/support/control_helpers.h"
#include "tests/support/rect_compare.h"
#include "ui/controls/container.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/slider.h"
#include "ui/core/paint_manager.h"

// Parts that a control places itself, from its laid-out rectangle in pixels and sizes written
// in skin units, at 200 %: each size is scaled once, and a place already in pixels is not scaled
// again when its image is drawn.
namespace ui {
namespace {

using testing_support::ControlInWindow;
using testing_support::RecordingPainter;

constexpr int kTwiceDpi = 192;

TEST(ScaledPartsTest, SliderThumbIsItsSkinSizeScaledOnce) {
  ControlInWindow<Slider> w({100, 50, 300, 90});  // 200 x 40 pixels
  w.manager.SetDpi(kTwiceDpi);
  w.control->ApplyAttributeList(LR"(thumbsize="10,10" thumbimage="thumb")");
  w.control->SetValue(50);
  EXPECT_EQ((RECT{190, 60, 210, 80}), w.control->GetThumbRect());

  RecordingPainter painter;
  w.control->PaintThumb(painter);
  ASSERT_EQ(1u, painter.images.size());
  EXPECT_EQ((RECT{90, 10, 110, 30}), painter.images[0].dest) << "relative to the slider";
  EXPECT_TRUE(painter.images[0].inPixels);
}

TEST(ScaledPartsTest, ScrollBarButtonsAreAsThickAsTheScaledBar) {
  ControlInWindow<ScrollBar> w({0, 0, 32, 400});
  w.manager.SetDpi(kTwiceDpi);
  w.control->SetAttribute(L"range", L"100");
  w.control->SetRect({0, 0, 32, 400}, false);
  EXPECT_EQ((RECT{0, 0, 32, 32}), w.control->GetParts().button1);
  EXPECT_EQ((RECT{0, 368, 32, 400}), w.control->GetParts().button2);
}

TEST(ScaledPartsTest, FloatingOverlayStaysWhereItsPositionPutsIt) {
  PaintManager manager;
  manager.SetDpi(kTwiceDpi);
  auto* root = new Container;
  auto* host = new Control;
  root->Add(host);
  manager.AttachRoot(root);
  auto* overlay = new Control;
  overlay->ApplyAttributeList(LR"(float="true" pos="10,10,30,20")");
  host->SetOverlay(overlay);

  for (int layout = 1; layout <= 3; ++layout) {
    SCOPED_TRACE(layout);
    root->SetRect({0, 0, 200, 200}, false);
    EXPECT_EQ((RECT{20, 20, 60, 40}), overlay->GetRect());
  }
}

}  // namespace
}  // namespace ui
