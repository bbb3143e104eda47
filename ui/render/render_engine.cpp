#include "ui/render/render_engine.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/rect_math.h"
#include "base/scoped_gdi.h"
#include "ui/render/color_shift.h"
#include "ui/render/gdi_helpers.h"
#include "ui/render/image_description.h"
#include "ui/render/image_record.h"
#include "ui/render/image_resample.h"
#include "ui/render/msimg32_functions.h"
#include "ui/render/nine_grid.h"
#include "ui/render/render_context.h"

namespace ui {
namespace {

int Width(const RECT& r) {
  return r.right - r.left;
}

int Height(const RECT& r) {
  return r.bottom - r.top;
}

BOOL BlendBits(HDC destDc,
               const RECT& dest,
               HDC sourceDc,
               const RECT& source,
               BLENDFUNCTION blend) {
  if (AlphaBlendFunction alphaBlend = Msimg32().alphaBlend) {
    return alphaBlend(destDc, dest.left, dest.top, Width(dest), Height(dest), sourceDc, source.left,
                      source.top, Width(source), Height(source), blend);
  }
  return RenderEngine::SoftAlphaBlend(destDc, dest.left, dest.top, Width(dest), Height(dest),
                                      sourceDc, source.left, source.top, Width(source),
                                      Height(source), blend);
}

// The current clip region of dc, or null when none is selected.
base::ScopedRegion CopyClipRegion(HDC dc) {
  base::ScopedRegion region(::CreateRectRgn(0, 0, 0, 0));
  if (region && ::GetClipRgn(dc, region.Get()) == 1)
    return region;
  return base::ScopedRegion();
}

// Selects region (null: no clip) and then intersects extra into it.
void SelectClip(HDC dc, HRGN region, HRGN extra) {
  // SelectClipRgn copies the region; the result only says what kind of region is left.
  ::SelectClipRgn(dc, region);
  if (extra)
    ::ExtSelectClipRgn(dc, extra, RGN_AND);
}

ClipState IntersectClip(HDC dc, const RECT& rect, base::ScopedRegion region) {
  ClipState clip;
  clip.rect = rect;
  clip.dc = dc;
  clip.previousRegion = CopyClipRegion(dc);
  if (region)
    ::ExtSelectClipRgn(dc, region.Get(), RGN_AND);
  clip.region = std::move(region);
  return clip;
}

// The state of a clip that was not installed, for a missing dc.
ClipState NoClip(const RECT& rect) {
  ClipState clip;
  clip.rect = rect;
  return clip;
}

// Fills rect with bands of solid colour approximating a gradient, for when GradientFill is
// missing: 2^n bands counted from the bottom (or right) edge.
void FillGradientBands(HDC dc,
                       const RECT& r,
                       uint32_t first,
                       uint32_t second,
                       bool vertical,
                       int steps) {
  const int shift = steps < 4    ? 1
                    : steps < 8  ? 2
                    : steps < 16 ? 3
                    : steps < 32 ? 4
                    : steps < 64 ? 5
                                 : 6;
  const int bands = 1 << shift;
  const int extent = vertical ? Height(r) : Width(r);
  for (int i = 0; i < bands; ++i) {
    auto channel = [&](int bit) {
      const int a = (first >> bit) & 0xFF, b = (second >> bit) & 0xFF;
      return (i * a + (bands - i) * b) >> shift;
    };
    const COLORREF color = RGB(channel(16), channel(8), channel(0));
    const int outer = (i + 1) * extent >> shift;
    const int inner = i * extent >> shift;
    RECT band = vertical ? RECT{r.left, r.bottom - outer, r.right, r.bottom - inner}
                         : RECT{r.right - outer, r.top, r.right - inner, r.bottom};
    if (base::IsRectEmpty(band))
      continue;
    base::ScopedBrush brush(::CreateSolidBrush(color));
    if (brush)
      ::FillRect(dc, &band, brush.Get());
  }
}

void FillGradient(HDC dc,
                  const RECT& r,
                  uint32_t first,
                  uint32_t second,
                  bool vertical,
                  int steps) {
  GradientFillFunction gradientFill = Msimg32().gradientFill;
  if (!gradientFill) {
    FillGradientBands(dc, r, first, second, vertical, steps);
    return;
  }
  auto vertex = [](LONG x, LONG y, uint32_t color) {
    TRIVERTEX v;
    v.x = x;
    v.y = y;
    v.Red = static_cast<COLOR16>(((color >> 16) & 0xFF) << 8);
    v.Green = static_cast<COLOR16>(((color >> 8) & 0xFF) << 8);
    v.Blue = static_cast<COLOR16>((color & 0xFF) << 8);
    v.Alpha = 0xFF00;
    return v;
  };
  TRIVERTEX vertices[2] = {vertex(r.left, r.top, first), vertex(r.right, r.bottom, second)};
  GRADIENT_RECT gradientRect = {0, 1};
  gradientFill(dc, vertices, 2, &gradientRect, 1,
               vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
}

// Whether a shape drawn with the pen is left unfilled or filled with the DC's brush.
enum class Interior { Filled, Hollow };

void DrawWithPen(HDC dc, int style, int width, uint32_t color, Interior interior, auto draw) {
  if (!dc)
    return;
  base::ScopedPen pen(::CreatePen(style, width, ToColorRef(color)));
  if (!pen)
    return;
  base::ScopedSelectObject selectPen(dc, pen.Get());
  base::ScopedSelectObject selectBrush(
      dc, interior == Interior::Hollow ? ::GetStockObject(NULL_BRUSH) : nullptr);
  draw();
}

// All zero: no place or part given, which stands for the whole item or image.
bool IsWhole(const RECT& r) {
  return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0;
}

// Draws a resolved image at place (pixels relative to item, kept inside it) where it meets
// dirty. The source and corners are in skin units and go by the scale the image's pixels were
// made for.
void DrawResolvedImage(HDC dc,
                       const RECT& item,
                       const RECT& place,
                       const RECT& dirty,
                       const ImageDrawInfo& info) {
  if (!dc)
    return;
  const DisplayScale imageScale(info.image->dpi);
  RECT source = imageScale.Rect(info.source);
  source.right = std::min<LONG>(source.right, info.image->width);
  source.bottom = std::min<LONG>(source.bottom, info.image->height);
  if (info.image->resampled)
    source = InsetCellEdges(source, info.image->width, info.image->height);
  // Every edge is held inside the item, the left and top ones too: a negative offset would
  // otherwise paint over the neighbouring controls.
  const RECT destination = {std::max<LONG>(item.left, item.left + place.left),
                            std::max<LONG>(item.top, item.top + place.top),
                            std::min<LONG>(item.right, item.left + place.right),
                            std::min<LONG>(item.bottom, item.top + place.bottom)};
  if (!base::RectsMeet(destination, item) || !base::RectsMeet(destination, dirty))
    return;
  RenderEngine::DrawImage(dc, info.image->bitmap.Get(),
                          {.dest = destination,
                           .dirty = dirty,
                           .source = source,
                           .corner = imageScale.Rect(info.corner),
                           .hasAlpha = info.image->hasAlpha,
                           .fade = info.fade,
                           .hole = info.hole,
                           .tileX = info.tileX,
                           .tileY = info.tileY});
}

}  // namespace

void ImageDrawInfo::Clear() {
  *this = ImageDrawInfo();
}

bool RenderEngine::ResolveImageInfo(IRenderContext* context, ImageDrawInfo& info) {
  if (!context)
    return true;
  if (!info.image) {
    if (info.triedLoad)
      return false;
    info.triedLoad = true;
    if (info.description.empty())
      return false;
    const ImageDescription parsed = ParseImageDescription(info.description);
    info.dest = SkinRect(parsed.dest);
    info.source = SkinRect(parsed.source);
    info.corner = SkinRect(parsed.corner);
    info.fade = parsed.fade;
    info.hole = parsed.hole;
    info.tileX = parsed.tileX;
    info.tileY = parsed.tileY;
    info.imageName = parsed.name;
    info.image =
        context->GetOrAddImage(parsed.name, parsed.LookupType(), parsed.mask, parsed.followsShift);
    if (!info.image)
      return false;
  } else if (info.image->dpi != context->GetDisplayScale().Dpi() && !info.imageName.empty()) {
    // The window changed scale: the same image at the new one. Places stay in skin units; the
    // record drawn before stays in its cache.
    const ImageRecord& before = *info.image;
    const wchar_t* type = before.resourceType.empty() ? nullptr : before.resourceType.c_str();
    if (ImageRecord* rescaled =
            context->GetOrAddImage(info.imageName, type, before.mask, before.followsShift)) {
      info.image = rescaled;
    }
  }
  // A source reaching past the image is cut to it; no source is the whole image.
  const SIZE size = ImageSkinSize(*info.image).Unscaled();
  RECT source = info.source.Unscaled();
  if (IsWhole(source))
    source = {0, 0, size.cx, size.cy};
  source.right = std::min<LONG>(source.right, size.cx);
  source.bottom = std::min<LONG>(source.bottom, size.cy);
  info.source = SkinRect(source);
  return true;
}

bool RenderEngine::DrawImageInfo(HDC dc,
                                 IRenderContext* context,
                                 const RECT& item,
                                 const RECT& dirty,
                                 ImageDrawInfo& info) {
  if (!context)
    return true;
  if (!ResolveImageInfo(context, info))
    return false;
  // A destination in the description is in skin units and goes by the window's scale.
  const RECT place = IsWhole(info.dest.Unscaled())
                         ? RECT{0, 0, item.right - item.left, item.bottom - item.top}
                         : context->GetDisplayScale().Rect(info.dest);
  DrawResolvedImage(dc, item, place, dirty, info);
  return true;
}

bool RenderEngine::DrawImageInfoAt(HDC dc,
                                   IRenderContext* context,
                                   const RECT& item,
                                   const RECT& place,
                                   const RECT& dirty,
                                   ImageDrawInfo& info) {
  if (!context)
    return true;
  if (!ResolveImageInfo(context, info))
    return false;
  DrawResolvedImage(dc, item, place, dirty, info);
  return true;
}

void RenderEngine::DrawImage(HDC dc, HBITMAP bitmap, const DrawImageParams& params) {
  if (!dc || !bitmap)
    return;
  const RECT& dest = params.dest;
  const RECT& dirty = params.dirty;
  const RECT& source = params.source;
  const RECT& corner = params.corner;
  const uint8_t fade = params.fade;
  base::ScopedMemoryDC imageDc(::CreateCompatibleDC(dc));
  if (!imageDc)
    return;
  base::ScopedSelectObject selectBitmap(imageDc.Get(), bitmap);
  const int oldStretchMode = ::SetStretchBltMode(dc, COLORONCOLOR);
  const bool blend = params.hasAlpha || fade != 255;
  const bool noCorners =
      corner.left == 0 && corner.top == 0 && corner.right == 0 && corner.bottom == 0;

  if (!blend && noCorners && Width(dest) == Width(source) && Height(dest) == Height(source)) {
    // An opaque image at its own size: only the dirty part needs copying.
    RECT part;
    if (base::IntersectRects(dirty, dest, part)) {
      ::BitBlt(dc, part.left, part.top, Width(part), Height(part), imageDc.Get(),
               source.left + part.left - dest.left, source.top + part.top - dest.top, SRCCOPY);
    }
  } else {
    auto drawCell = [&](const ImageCell& cell) {
      const RECT& to = cell.dest;
      const RECT& from = cell.source;
      if (Width(to) <= 0 || Height(to) <= 0 || Width(from) <= 0 || Height(from) <= 0)
        return;
      if (blend) {
        BlendBits(dc, to, imageDc.Get(), from, {AC_SRC_OVER, 0, fade, AC_SRC_ALPHA});
      } else if (Width(to) == Width(from) && Height(to) == Height(from)) {
        ::BitBlt(dc, to.left, to.top, Width(to), Height(to), imageDc.Get(), from.left, from.top,
                 SRCCOPY);
      } else {
        ::StretchBlt(dc, to.left, to.top, Width(to), Height(to), imageDc.Get(), from.left, from.top,
                     Width(from), Height(from), SRCCOPY);
      }
    };
    const ImageCell middle = NineGridMiddle(dest, source, corner);
    if (!params.hole && base::RectsMeet(middle.dest, dirty))
      ForEachMiddleTile(middle, params.tileX, params.tileY, drawCell);
    ImageCell borders[8];
    const int borderCount = NineGridBorders(dest, source, corner, borders);
    for (int i = 0; i < borderCount; ++i) {
      if (base::RectsMeet(borders[i].dest, dirty))
        drawCell(borders[i]);
    }
  }
  if (oldStretchMode)
    ::SetStretchBltMode(dc, oldStretchMode);
}

void RenderEngine::DrawColor(HDC dc, const RECT& rect, uint32_t color) {
  if (!dc || color <= 0x00FFFFFF || base::IsRectEmpty(rect))
    return;
  if (color >= 0xFF000000) {
    const COLORREF oldColor = ::SetBkColor(dc, ToColorRef(color));
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(dc, oldColor);
    return;
  }
  // AlphaBlend expects premultiplied pixels: a plain colour would overflow into the neighbouring
  // channels wherever the background is bright.
  uint32_t* pixel = nullptr;
  base::ScopedBitmap bitmap = CreateDibSection(1, 1, &pixel);
  if (!bitmap)
    return;
  *pixel = PremultiplyColor(color);
  DrawImage(dc, bitmap.Get(),
            {.dest = rect, .dirty = rect, .source = {0, 0, 1, 1}, .hasAlpha = true});
}

void RenderEngine::DrawGradient(HDC dc,
                                const RECT& rect,
                                uint32_t first,
                                uint32_t second,
                                bool vertical,
                                int steps) {
  const int alpha = static_cast<int>((first >> 24) + (second >> 24)) / 2;
  if (!dc || alpha == 0 || base::IsRectEmpty(rect))
    return;
  if (alpha == 255) {
    FillGradient(dc, rect, first, second, vertical, steps);
    return;
  }
  // Translucent: paint the gradient off screen and blend it on with the mean alpha.
  const RECT local = {0, 0, Width(rect), Height(rect)};
  base::ScopedMemoryDC offscreenDc(::CreateCompatibleDC(dc));
  base::ScopedBitmap offscreen(::CreateCompatibleBitmap(dc, local.right, local.bottom));
  if (!offscreenDc || !offscreen)
    return;
  base::ScopedSelectObject selectBitmap(offscreenDc.Get(), offscreen.Get());
  FillGradient(offscreenDc.Get(), local, first, second, vertical, steps);
  BlendBits(dc, rect, offscreenDc.Get(), local, {AC_SRC_OVER, 0, static_cast<BYTE>(alpha), 0});
}

void RenderEngine::DrawLine(HDC dc, const RECT& rect, int width, uint32_t color, int penStyle) {
  DrawWithPen(dc, penStyle, width, color, Interior::Filled, [&] {
    ::MoveToEx(dc, rect.left, rect.top, nullptr);
    ::LineTo(dc, rect.right, rect.bottom);
  });
}

void RenderEngine::DrawRectOutline(HDC dc,
                                   const RECT& rect,
                                   int width,
                                   uint32_t color,
                                   int penStyle) {
  DrawWithPen(dc, penStyle | PS_INSIDEFRAME, width, color, Interior::Hollow,
              [&] { ::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom); });
}

void RenderEngine::DrawRoundRect(HDC dc,
                                 const RECT& rect,
                                 int width,
                                 int ellipseWidth,
                                 int ellipseHeight,
                                 uint32_t color,
                                 int penStyle) {
  DrawWithPen(dc, penStyle | PS_INSIDEFRAME, width, color, Interior::Hollow, [&] {
    ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, ellipseWidth, ellipseHeight);
  });
}

void RenderEngine::DrawPlainText(HDC dc,
                                 IRenderContext* context,
                                 RECT& rect,
                                 std::wstring_view text,
                                 uint32_t color,
                                 int font,
                                 UINT format) {
  if (!dc || !context || text.empty())
    return;
  const std::wstring shown = context->LocalizeText(text);
  ScopedTextState savedState(dc);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ToColorRef(color));
  base::ScopedSelectObject selectFont(dc, context->GetFont(font));
  ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &rect, format | DT_NOPREFIX);
}

ClipState RenderEngine::RectClip(HDC dc, const RECT& rect) {
  if (!dc)
    return NoClip(rect);
  return IntersectClip(dc, rect, base::ScopedRegion(::CreateRectRgnIndirect(&rect)));
}

ClipState RenderEngine::RoundClip(HDC dc,
                                  const RECT& dirty,
                                  const RECT& item,
                                  int ellipseWidth,
                                  int ellipseHeight) {
  if (!dc)
    return NoClip(item);
  base::ScopedRegion region(::CreateRectRgnIndirect(&dirty));
  base::ScopedRegion rounded(::CreateRoundRectRgn(item.left, item.top, item.right + 1,
                                                  item.bottom + 1, ellipseWidth, ellipseHeight));
  if (region && rounded)
    ::CombineRgn(region.Get(), region.Get(), rounded.Get(), RGN_AND);
  return IntersectClip(dc, item, std::move(region));
}

void RenderEngine::RestoreClip(ClipState& clip) {
  if (clip.dc)
    ::SelectClipRgn(clip.dc, clip.previousRegion.Get());
  clip = ClipState();
}

void RenderEngine::UseOuterClipBegin(HDC dc, const ClipState& clip) {
  if (dc)
    SelectClip(dc, clip.previousRegion.Get(), nullptr);
}

// The clip in force after RectClip was the earlier one intersected with the new region; select
// exactly that again.
void RenderEngine::UseOuterClipEnd(HDC dc, const ClipState& clip) {
  if (dc)
    SelectClip(dc, clip.previousRegion.Get(), clip.region.Get());
}

uint32_t RenderEngine::ApplyHsl(uint32_t color, int hue, int saturation, int lightness) {
  return ui::ApplyHsl(color, hue, saturation, lightness);
}

BOOL RenderEngine::SoftAlphaBlend(HDC destDc,
                                  int destX,
                                  int destY,
                                  int destWidth,
                                  int destHeight,
                                  HDC sourceDc,
                                  int sourceX,
                                  int sourceY,
                                  int sourceWidth,
                                  int sourceHeight,
                                  BLENDFUNCTION blend) {
  if (!destDc || !sourceDc || destWidth <= 0 || destHeight <= 0 || sourceWidth <= 0 ||
      sourceHeight <= 0) {
    return FALSE;
  }
  uint32_t* sourcePixels = nullptr;
  uint32_t* destPixels = nullptr;
  base::ScopedBitmap sourceCopy = CreateDibSection(destWidth, destHeight, &sourcePixels);
  base::ScopedBitmap destCopy = CreateDibSection(destWidth, destHeight, &destPixels);
  base::ScopedMemoryDC workDc(::CreateCompatibleDC(destDc));
  if (!sourceCopy || !destCopy || !workDc)
    return FALSE;
  {
    base::ScopedSelectObject select(workDc.Get(), sourceCopy.Get());
    ::SetStretchBltMode(workDc.Get(), COLORONCOLOR);
    if (!::StretchBlt(workDc.Get(), 0, 0, destWidth, destHeight, sourceDc, sourceX, sourceY,
                      sourceWidth, sourceHeight, SRCCOPY)) {
      return FALSE;
    }
  }
  base::ScopedSelectObject select(workDc.Get(), destCopy.Get());
  if (!::BitBlt(workDc.Get(), 0, 0, destWidth, destHeight, destDc, destX, destY, SRCCOPY))
    return FALSE;
  ::GdiFlush();
  const bool perPixelAlpha = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
  const size_t count = static_cast<size_t>(destWidth) * destHeight;
  for (size_t i = 0; i < count; ++i)
    destPixels[i] =
        BlendPixel(destPixels[i], sourcePixels[i], blend.SourceConstantAlpha, perPixelAlpha);
  return ::BitBlt(destDc, destX, destY, destWidth, destHeight, workDc.Get(), 0, 0, SRCCOPY);
}

}  // namespace ui
