#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "base/scoped_gdi.h"
#include "ui/render/skin_units.h"

namespace ui {

class IRenderContext;
struct ImageRecord;

// One image attribute of a control: the description text and what was parsed and resolved
// from it, its places in the skin's units. The image itself belongs to the image cache.
struct ImageDrawInfo {
  void Clear();

  std::wstring description;
  std::wstring imageName;
  bool triedLoad = false;
  ImageRecord* image = nullptr;
  // Relative to the item; all zero for the whole item.
  SkinRect dest;
  // The part of the image drawn; all zero for the whole image.
  SkinRect source;
  SkinRect corner;
  uint8_t fade = 255;
  bool hole = false;
  bool tileX = false;
  bool tileY = false;
};

// A clip that a routine installed and that RestoreClip undoes: the region in force before (null
// when there was none) and the one that was intersected into it. The state owns both regions;
// it can be moved, not copied. Dropping it without RestoreClip frees the regions but leaves the
// clip selected.
struct ClipState {
  RECT rect = {0, 0, 0, 0};
  HDC dc = nullptr;
  base::ScopedRegion region;
  base::ScopedRegion previousRegion;
};

// How DrawImage places a premultiplied 32-bit bitmap: the part source of it goes into dest as a
// nine-grid with corner widths corner; only cells that meet dirty are drawn. With hasAlpha or a
// fade below 255 it is blended, otherwise copied; hole leaves the middle cell out, tileX and
// tileY lay the middle in pieces of its source size instead of stretching it.
struct DrawImageParams {
  RECT dest = {0, 0, 0, 0};
  RECT dirty = {0, 0, 0, 0};
  RECT source = {0, 0, 0, 0};
  RECT corner = {0, 0, 0, 0};
  bool hasAlpha = false;
  uint8_t fade = 255;
  bool hole = false;
  bool tileX = false;
  bool tileY = false;
};

// Stateless drawing routines shared by every control. Colours are 0xAARRGGBB. Every routine
// returns quietly when an input is missing or a GDI object cannot be made.
class RenderEngine {
 public:
  // Resolves info's image through the context's images on first use: parses the description
  // into place, source, corners and fade and looks the image up; a failed attempt is not
  // repeated until info is cleared. A source reaching past the image is cut to it. False when no
  // image could be had; true without a context, which leaves info as it is.
  static bool ResolveImageInfo(IRenderContext* context, ImageDrawInfo& info);
  // Resolves info (see ResolveImageInfo) and, given a dc, draws it at its destination in item
  // (by the context's scale) where it meets dirty. False when no image could be had; true
  // without a context.
  static bool DrawImageInfo(HDC dc,
                            IRenderContext* context,
                            const RECT& item,
                            const RECT& dirty,
                            ImageDrawInfo& info);
  // The same at place instead: the window's pixels relative to item's top-left corner, for a
  // part that a control lays out itself (a slider's thumb, a progress bar's fill). The place is
  // kept inside item; an empty place draws nothing.
  static bool DrawImageInfoAt(HDC dc,
                              IRenderContext* context,
                              const RECT& item,
                              const RECT& place,
                              const RECT& dirty,
                              ImageDrawInfo& info);
  // Draws a premultiplied 32-bit bitmap as params say.
  static void DrawImage(HDC dc, HBITMAP bitmap, const DrawImageParams& params);
  static void DrawColor(HDC dc, const RECT& rect, uint32_t color);
  static void DrawGradient(HDC dc,
                           const RECT& rect,
                           uint32_t first,
                           uint32_t second,
                           bool vertical,
                           int steps);
  // A line from rect's left-top to its right-bottom corner.
  static void DrawLine(HDC dc, const RECT& rect, int width, uint32_t color, int penStyle);
  static void DrawRectOutline(HDC dc, const RECT& rect, int width, uint32_t color, int penStyle);
  static void DrawRoundRect(HDC dc,
                            const RECT& rect,
                            int width,
                            int ellipseWidth,
                            int ellipseHeight,
                            uint32_t color,
                            int penStyle);
  // One DrawTextW call with the context's font of that index (the default font for a negative
  // or unknown one) after language placeholders are replaced; "&" is never an accelerator mark.
  // With DT_CALCRECT in format the text is only measured into rect.
  static void DrawPlainText(HDC dc,
                            IRenderContext* context,
                            RECT& rect,
                            std::wstring_view text,
                            uint32_t color,
                            int font,
                            UINT format);
  // Text with the tag language of formatted_text.cpp. Links found are reported in linkRects and
  // linkTexts, at most linkCount of them on entry; linkCount receives how many were stored.
  // With DT_CALCRECT the text is only measured into rect.
  static void DrawFormattedText(HDC dc,
                                IRenderContext* context,
                                RECT& rect,
                                std::wstring_view text,
                                uint32_t color,
                                RECT* linkRects,
                                std::wstring* linkTexts,
                                int& linkCount,
                                int font,
                                UINT format);

  // Intersect the dc's clip with rect, or with dirty and the rounded item rectangle; RestoreClip
  // selects the earlier clip again. The outer-clip pair selects the earlier clip for a moment
  // (floating children of a container paint outside its inner clip) and then the new one again.
  static ClipState RectClip(HDC dc, const RECT& rect);
  static ClipState RoundClip(HDC dc,
                             const RECT& dirty,
                             const RECT& item,
                             int ellipseWidth,
                             int ellipseHeight);
  static void RestoreClip(ClipState& clip);
  static void UseOuterClipBegin(HDC dc, const ClipState& clip);
  static void UseOuterClipEnd(HDC dc, const ClipState& clip);

  static uint32_t ApplyHsl(uint32_t color, int hue, int saturation, int lightness);

  // What AlphaBlend does, for when msimg32 cannot be had: source-over of a premultiplied source
  // (per-pixel alpha only with AC_SRC_ALPHA) with a constant alpha, the source stretched to the
  // destination size.
  static BOOL SoftAlphaBlend(HDC destDc,
                             int destX,
                             int destY,
                             int destWidth,
                             int destHeight,
                             HDC sourceDc,
                             int sourceX,
                             int sourceY,
                             int sourceWidth,
                             int sourceHeight,
                             BLENDFUNCTION blend);
};

}  // namespace ui
