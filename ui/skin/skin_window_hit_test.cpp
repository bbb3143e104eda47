#include "ui/skin/skin_window_hit_test.h"

#include "base/string_compare.h"
#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

// Controls that take clicks themselves: the caption does not drag the window over them.
bool TakesClicks(const Control* control) {
  const wchar_t* className = control->GetClassName();
  if (!className)
    return false;
  for (const wchar_t* clickable : {L"Button", L"Option", L"Text", L"CheckBox"}) {
    if (base::EqualsIgnoringCase(className, clickable))
      return true;
  }
  return false;
}

}  // namespace

LRESULT SkinWindowHitTest(PaintManager& manager, POINT point, const RECT& client, bool maximized) {
  if (!maximized) {
    const RECT box = manager.ScaledSizeBox();
    const bool left = point.x < client.left + box.left;
    const bool right = point.x > client.right - box.right;
    if (point.y < client.top + box.top)
      return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
    if (point.y > client.bottom - box.bottom)
      return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
    if (left)
      return HTLEFT;
    if (right)
      return HTRIGHT;
  }
  // The caption's left and right are distances from the client edges; its top and bottom are
  // taken as they are.
  const RECT caption = manager.ScaledCaptionRect();
  if (point.x >= client.left + caption.left && point.x < client.right - caption.right &&
      point.y >= caption.top && point.y < caption.bottom) {
    const Control* control = manager.FindControlAt(point);
    if (control && !TakesClicks(control))
      return HTCAPTION;
  }
  return HTCLIENT;
}

}  // namespace ui
