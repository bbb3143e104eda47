// Text with a small tag language: <b>, <i>, <u>, <f ...>, <c #RRGGBB>, <a link>, <i image>, <n>,
// <p spacing>, <r> (raw), <s> (selected), <v align>, <x offset>, <y height>; the same tags can be
// written with braces. Each line is laid out twice when drawing: once to find where it ends and
// how wide and high it is, and once more from the same state to draw it aligned.

#include <string>

#include "base/scoped_gdi.h"
#include "ui/render/formatted_text_layout.h"
#include "ui/render/gdi_helpers.h"
#include "ui/render/render_engine.h"

namespace ui {

void RenderEngine::DrawFormattedText(HDC dc,
                                     IRenderContext* context,
                                     RECT& rect,
                                     std::wstring_view text,
                                     uint32_t color,
                                     RECT* linkRects,
                                     std::wstring* linkTexts,
                                     int& linkCount,
                                     int font,
                                     UINT format) {
  const int capacity = linkCount;
  linkCount = 0;
  if (!dc || !context || text.empty() || rect.right <= rect.left || rect.bottom <= rect.top)
    return;
  const bool measuring = (format & DT_CALCRECT) != 0;
  ClipState clip;
  if (!measuring)
    clip = RectClip(dc, rect);
  const std::wstring shown = context->LocalizeText(text);
  HFONT baseFont = context->GetFont(font);

  RECT area = rect;
  if (!measuring && (format & kAlignmentFormats)) {
    const bool singleLine = (format & DT_SINGLELINE) != 0;
    RECT measured = singleLine ? RECT{0, 0, 9999, 100}
                               : RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    int none = 0;
    DrawFormattedText(dc, context, measured, text, color, nullptr, nullptr, none, font,
                      (format | DT_CALCRECT) & ~kAlignmentFormats);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const int textWidth = measured.right - measured.left;
    const int textHeight = measured.bottom - measured.top;
    if (singleLine && (format & DT_CENTER))
      area.left += width / 2 - textWidth / 2;
    else if (singleLine && (format & DT_RIGHT))
      area.left = area.right - textWidth;
    if (format & DT_VCENTER)
      area.top += height / 2 - textHeight / 2;
    else if (format & DT_BOTTOM)
      area.top = area.bottom - textHeight;
  }

  ScopedTextState savedText(dc);
  const COLORREF oldBackColor = ::SetBkColor(dc, ToColorRef(context->GetSelectedColor()));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ToColorRef(color));
  {
    base::ScopedSelectObject selectFont(dc, baseFont);
    FormattedTextLayout layout(dc, context, shown, color, linkRects, linkTexts, capacity, format);
    RECT bounds;
    layout.Run(baseFont, area, bounds);
    linkCount = layout.LinkCount();
    if (measuring)
      rect = bounds;
  }
  // Rectangles left over from an earlier call must not be taken for links any more.
  if (linkRects && linkTexts) {
    for (int i = linkCount; i < capacity; ++i) {
      linkRects[i] = {0, 0, 0, 0};
      linkTexts[i].clear();
    }
  }
  ::SetBkColor(dc, oldBackColor);
  if (!measuring)
    RestoreClip(clip);
}

}  // namespace ui
