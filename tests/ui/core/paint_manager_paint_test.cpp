#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>

#include "tests/support/message_pump.h"
#include "tests/ui/core/gdi_object_count.h"
#include "tests/ui/core/window_test_support.h"
#include "ui/core/skin_settings.h"

namespace ui {
namespace {

using testing_support::TestSkinWindow;

// 0xRRGGBB of a pixel of the window as it was painted, or of the screen for no window.
uint32_t WindowPixel(HWND window, int x, int y) {
  HDC dc = ::GetDC(window);
  const COLORREF color = ::GetPixel(dc, x, y);
  ::ReleaseDC(window, dc);
  return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}

uint32_t ScreenPixel(POINT point) {
  return WindowPixel(nullptr, point.x, point.y);
}

class WindowPaintTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { SetProgramModule(::GetModuleHandleW(nullptr)); }
};

TEST_F(WindowPaintTest, ShowDirtyOutlinesEachRepaintedArea) {
  TestSkinWindow window(
      L"<Window size=\"200,100\" showdirty=\"true\"><Control bkcolor=\"#FF00FF00\"/></Window>");
  ASSERT_NE(nullptr, window.Create());
  HWND native = window.NativeWindow();
  window.Paint();
  RECT area = {50, 20, 150, 80};
  ::InvalidateRect(native, &area, FALSE);
  window.Paint();
  EXPECT_EQ(0xDC0000u, WindowPixel(native, 50, 20));
  EXPECT_EQ(0xDC0000u, WindowPixel(native, 149, 79));
  EXPECT_EQ(0x00FF00u, WindowPixel(native, 100, 50)) << "inside the outline the tree shows";
  ::DestroyWindow(native);
}

bool g_throwOnPaint = false;
bool ThrowEveryOtherPaint(void*) {
  g_throwOnPaint = !g_throwOnPaint;
  if (g_throwOnPaint)
    throw std::runtime_error("paint failed");
  return true;
}

// Fault: a control that threw while it painted skipped EndPaint (the window stayed invalid and
// was asked to paint again at once) and left the manager's painting flag set.
TEST_F(WindowPaintTest, PaintsEndAndKeepTheGdiObjectCountSteadyAlsoWhenAControlThrows) {
  TestSkinWindow window(
      L"<Window size=\"200,100\"><Control name=\"fill\" bkcolor=\"#FF00FF00\"/></Window>");
  ASSERT_NE(nullptr, window.Create());
  HWND native = window.NativeWindow();
  window.Paint();
  window.Find(L"fill")->paintHooks.Add(MakeDelegate(&ThrowEveryOtherPaint));
  // One round first: what the paints create once (the off-screen buffer) is there already.
  ::InvalidateRect(native, nullptr, FALSE);
  window.Paint();
  const int before = testing_support::GdiObjectCount();
  ASSERT_GT(before, 0);
  for (int paint = 0; paint < 200; ++paint) {
    ::InvalidateRect(native, nullptr, FALSE);
    window.Paint();
    RECT update;
    ASSERT_FALSE(::GetUpdateRect(native, &update, FALSE)) << "paint " << paint << " ended";
    ASSERT_FALSE(window.GetPaintManager().IsPainting()) << "paint " << paint;
  }
  EXPECT_EQ(before, testing_support::GdiObjectCount());
  ::DestroyWindow(native);
}

TEST_F(WindowPaintTest, WindowWithoutATreePaintsBlack) {
  PaintManager manager;
  testing_support::ManagedWindow window(&manager, WS_POPUP | WS_VISIBLE, nullptr, {0, 0, 80, 60});
  HWND native = window.Get();
  manager.AttachWindow(native);
  ::UpdateWindow(native);
  HDC dc = ::GetDC(native);
  RECT client = {0, 0, 80, 60};
  ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  ::ReleaseDC(native, dc);
  ASSERT_EQ(0xFFFFFFu, WindowPixel(native, 40, 30));
  ::InvalidateRect(native, nullptr, FALSE);
  ::UpdateWindow(native);
  EXPECT_EQ(0u, WindowPixel(native, 40, 30));
  RECT update;
  EXPECT_FALSE(::GetUpdateRect(native, &update, FALSE)) << "the paint validated the window";
}

TEST_F(WindowPaintTest, PrintClientPaintsTheTreeIntoTheGivenDc) {
  TestSkinWindow window(L"<Window size=\"200,100\"><Control bkcolor=\"#FF0000FF\"/></Window>");
  ASSERT_NE(nullptr, window.Create());
  window.Paint();
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 200, 100);
  HGDIOBJ previous = ::SelectObject(dc, bitmap);
  ::SendMessageW(window.NativeWindow(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  EXPECT_EQ(RGB(0, 0, 255), ::GetPixel(dc, 100, 50));
  ::SelectObject(dc, previous);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  ::DestroyWindow(window.NativeWindow());
}

TEST_F(WindowPaintTest, LayeredWindowShowsAnInvalidationWithoutAPaintMessage) {
  TestSkinWindow window(
      L"<Window size=\"100,100\"><Control name=\"fill\" bkcolor=\"#FFFF0000\"/></Window>");
  ASSERT_NE(nullptr, window.Create());
  HWND native = window.NativeWindow();
  window.Paint();
  PaintManager& manager = window.GetPaintManager();
  struct PaintCount {
    bool OnPaint(void*) {
      ++count;
      return true;
    }
    int count = 0;
  } paints;
  Control* fill = window.Find(L"fill");
  fill->paintHooks.Add(MakeDelegate(&paints, &PaintCount::OnPaint));

  manager.SetLayered(true);
  EXPECT_TRUE(manager.IsLayered());
  EXPECT_NE(0, ::GetWindowLongPtrW(native, GWL_EXSTYLE) & WS_EX_LAYERED);
  ASSERT_TRUE(PumpUntil([&] { return paints.count > 0; }, 2000));

  const int before = paints.count;
  window.paintMessages = 0;
  fill->Invalidate();
  ASSERT_TRUE(PumpUntil([&] { return paints.count > before; }, 2000));
  EXPECT_EQ(0, window.paintMessages) << "the layered timer painted, not WM_PAINT";

  manager.SetLayered(false);
  EXPECT_EQ(0, ::GetWindowLongPtrW(native, GWL_EXSTYLE) & WS_EX_LAYERED);
  ::DestroyWindow(native);
}

TEST_F(WindowPaintTest, OpacityMakesTheWholeWindowTranslucent) {
  TestSkinWindow window(
      L"<Window size=\"100,100\" opacity=\"128\"><Control bkcolor=\"#FFFF0000\"/></Window>");
  ASSERT_NE(nullptr, window.Create());
  HWND native = window.NativeWindow();
  EXPECT_NE(0, ::GetWindowLongPtrW(native, GWL_EXSTYLE) & WS_EX_LAYERED);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(::GetLayeredWindowAttributes(native, nullptr, &alpha, &flags));
  EXPECT_EQ(128, alpha);
  EXPECT_EQ(static_cast<DWORD>(LWA_ALPHA), flags & LWA_ALPHA);
  EXPECT_FALSE(window.GetPaintManager().IsLayered()) << "constant alpha, not per-pixel";

  // Switching from per-pixel painting to constant alpha also ends the 10 ms repaint timer.
  window.GetPaintManager().SetLayered(true);
  window.GetPaintManager().SetOpacity(200);
  EXPECT_FALSE(::KillTimer(native, kLayeredTimerId)) << "the layered repaint timer still ran";
  ::DestroyWindow(native);
}

TEST_F(WindowPaintTest, LayeredImageAlphaZeroMakesTheWindowTransparentThere) {
  // A green window underneath shows through where the layered window is transparent.
  TestSkinWindow below(L"<Window size=\"100,100\"><Control bkcolor=\"#FF00FF00\"/></Window>");
  ASSERT_NE(nullptr, below.Create());
  below.Paint();
  const std::wstring mask =
      std::wstring(QUENBY_SOURCE_DIR) + L"/tests/ui/core/testdata/layered_mask_left_clear.png";
  TestSkinWindow window(L"<Window size=\"100,100\" layeredimage=\"file='" + mask +
                        L"'\"><Control bkcolor=\"#FFFF0000\"/></Window>");
  ASSERT_NE(nullptr, window.Create());
  HWND native = window.NativeWindow();
  ASSERT_TRUE(window.GetPaintManager().IsLayered());
  POINT left = {20, 50}, right = {80, 50};
  ::ClientToScreen(native, &left);
  ::ClientToScreen(native, &right);
  ASSERT_TRUE(PumpUntil([&] { return ScreenPixel(right) == 0xFF0000; }, 3000))
      << std::hex << ScreenPixel(right);
  EXPECT_EQ(0x00FF00u, ScreenPixel(left)) << std::hex << ScreenPixel(left);
  ::DestroyWindow(native);
  ::DestroyWindow(below.NativeWindow());
}

}  // namespace
}  // namespace ui
