#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/render/display_scale.h"
#include "ui/render/font_info.h"
#include "ui/render/image_record.h"

namespace ui {

// Which set a font, image, colour or default attribute list goes into or is taken from: the
// window's own or the one shared by every window of the process.
enum class ResourceSet { Window, Shared };

// What the render engine needs from the window it draws for: its images, fonts, language texts,
// the mouse position and the link and selection colours. The paint manager implements it; the
// render engine never sees more of the window than this.
class IRenderContext {
 public:
  // The image of this name from the window's cache or the shared one, loaded into the window's
  // on first use; null when it cannot be had. The cache keeps the record.
  virtual ImageRecord* GetOrAddImage(const std::wstring& name,
                                     const wchar_t* type,
                                     uint32_t mask,
                                     bool followsShift) = 0;
  // The font of this id; the default font for a negative or unknown one.
  virtual HFONT GetFont(int id) = 0;
  // The description of a font handle; the default font's for an unknown one.
  virtual const FontInfo& GetFontInfo(HFONT font) = 0;
  // A font with exactly this face, size and styles; null when there is none.
  virtual HFONT FindFont(std::wstring_view faceName,
                         int size,
                         bool bold,
                         bool underline,
                         bool italic) const = 0;
  // Creates a font and keeps it under id in the given set; null when it cannot be created.
  virtual HFONT AddFont(int id,
                        std::wstring_view faceName,
                        int size,
                        bool bold,
                        bool underline,
                        bool italic,
                        ResourceSet set) = 0;
  // text with its language placeholders replaced by the language texts.
  virtual std::wstring LocalizeText(std::wstring_view text) const = 0;
  // The mouse position in client coordinates, as last seen by the window.
  virtual POINT GetMousePos() const = 0;
  virtual uint32_t GetLinkFontColor() const = 0;
  virtual uint32_t GetLinkHoverFontColor() const = 0;
  virtual uint32_t GetSelectedColor() const = 0;
  // The window's display scale: image places and sizes are in 96-DPI units and are drawn
  // multiplied by it.
  virtual DisplayScale GetDisplayScale() const { return DisplayScale(); }

 protected:
  virtual ~IRenderContext() = default;
};

}  // namespace ui
