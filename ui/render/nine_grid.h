#pragma once

#include <windows.h>

#include <algorithm>

namespace ui {

// One piece of a nine-grid drawing: where it goes and which part of the image feeds it.
struct ImageCell {
  RECT dest;
  RECT source;
};

// The middle cell: destination and source each shrunk by the corner widths.
inline ImageCell NineGridMiddle(const RECT& dest, const RECT& source, const RECT& corner) {
  return {{dest.left + corner.left, dest.top + corner.top, dest.right - corner.right,
           dest.bottom - corner.bottom},
          {source.left + corner.left, source.top + corner.top, source.right - corner.right,
           source.bottom - corner.bottom}};
}

// The border cells in drawing order (top-left, top, top-right, left, right, bottom-left, bottom,
// bottom-right), each only when the widths it needs are positive. Corners keep their size;
// edges stretch along their length. Returns how many of cells were filled.
inline int NineGridBorders(const RECT& d, const RECT& s, const RECT& c, ImageCell (&cells)[8]) {
  int count = 0;
  auto add = [&](bool present, RECT dest, RECT source) {
    if (present)
      cells[count++] = {dest, source};
  };
  const bool left = c.left > 0, top = c.top > 0, right = c.right > 0, bottom = c.bottom > 0;
  add(left && top, {d.left, d.top, d.left + c.left, d.top + c.top},
      {s.left, s.top, s.left + c.left, s.top + c.top});
  add(top, {d.left + c.left, d.top, d.right - c.right, d.top + c.top},
      {s.left + c.left, s.top, s.right - c.right, s.top + c.top});
  add(right && top, {d.right - c.right, d.top, d.right, d.top + c.top},
      {s.right - c.right, s.top, s.right, s.top + c.top});
  add(left, {d.left, d.top + c.top, d.left + c.left, d.bottom - c.bottom},
      {s.left, s.top + c.top, s.left + c.left, s.bottom - c.bottom});
  add(right, {d.right - c.right, d.top + c.top, d.right, d.bottom - c.bottom},
      {s.right - c.right, s.top + c.top, s.right, s.bottom - c.bottom});
  add(left && bottom, {d.left, d.bottom - c.bottom, d.left + c.left, d.bottom},
      {s.left, s.bottom - c.bottom, s.left + c.left, s.bottom});
  add(bottom, {d.left + c.left, d.bottom - c.bottom, d.right - c.right, d.bottom},
      {s.left + c.left, s.bottom - c.bottom, s.right - c.right, s.bottom});
  add(right && bottom, {d.right - c.right, d.bottom - c.bottom, d.right, d.bottom},
      {s.right - c.right, s.bottom - c.bottom, s.right, s.bottom});
  return count;
}

// Calls draw(cell) for the pieces that fill the middle cell. Without tiling that is the cell
// itself. Tiling lays pieces of the source size from the top-left; the last column and row are
// cut to the space left and take the same-size top-left part of the source. Tiling along one
// axis only stretches each piece over the whole other axis. A middle without source pixels
// along a tiled axis has nothing to lay.
template <typename Draw>
void ForEachMiddleTile(const ImageCell& middle, bool tileX, bool tileY, Draw draw) {
  const RECT& d = middle.dest;
  const RECT& s = middle.source;
  const int tileWidth = s.right - s.left;
  const int tileHeight = s.bottom - s.top;
  if ((tileX && tileWidth <= 0) || (tileY && tileHeight <= 0))
    return;
  if (!tileX && !tileY) {
    draw(middle);
    return;
  }
  for (int y = d.top; y < d.bottom; y += tileY ? tileHeight : d.bottom - d.top) {
    const int height = tileY ? std::min(tileHeight, static_cast<int>(d.bottom - y)) : 0;
    for (int x = d.left; x < d.right; x += tileX ? tileWidth : d.right - d.left) {
      const int width = tileX ? std::min(tileWidth, static_cast<int>(d.right - x)) : 0;
      ImageCell tile;
      tile.dest.left = x;
      tile.dest.right = tileX ? x + width : d.right;
      tile.source.left = s.left;
      tile.source.right = tileX ? s.left + width : s.right;
      tile.dest.top = y;
      tile.dest.bottom = tileY ? y + height : d.bottom;
      tile.source.top = s.top;
      tile.source.bottom = tileY ? s.top + height : s.bottom;
      draw(tile);
    }
  }
}

}  // namespace ui
