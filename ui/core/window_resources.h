#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/core/resource_info.h"
#include "ui/render/display_scale.h"
#include "ui/render/image_cache.h"
#include "ui/render/render_context.h"

namespace ui {

// The fonts, colours, default attribute lists and images of one window over the set that every
// window of the process shares: a lookup tries the window's own set first, then the shared one,
// and a font falls back to the default font. Skin fonts are made at the window's display scale
// and made again when it changes; each scale has its own copies of the images. The window's fonts
// and images are owned here; the shared set and the language texts live for the process.
class WindowResources {
 public:
  WindowResources();
  WindowResources(const WindowResources&) = delete;
  WindowResources& operator=(const WindowResources&) = delete;

  // Lets go of the window's own fonts (not its default font), images and default attribute
  // lists.
  void ClearOwn();
  // The window's DC, which measures the fonts; null without a window.
  void SetMeasureDC(HDC dc) { measureDc_ = dc; }
  // A new scale makes every skin font again, the shared ones too (the installer has one window
  // at a time, and its dialogs take the same scale); images are taken at it when next looked up.
  void SetScale(DisplayScale scale);
  DisplayScale Scale() const { return scale_; }
  // Puts every font, image and default attribute list added later into the shared set.
  void SetForceShared(bool force) { forceShared_ = force; }
  bool IsForceShared() const { return forceShared_; }

  // A skin font: the face, its size in skin units and its styles, made at the window's scale.
  HFONT AddFont(int id,
                std::wstring_view faceName,
                int size,
                bool bold,
                bool underline,
                bool italic,
                ResourceSet set);
  bool SetDefaultFont(std::wstring_view faceName,
                      int size,
                      bool bold,
                      bool underline,
                      bool italic,
                      ResourceSet set);
  const FontInfo& GetDefaultFontInfo();
  const FontInfo& GetFontInfo(int id);
  const FontInfo& GetFontInfo(HFONT font);
  HFONT FindFont(std::wstring_view faceName,
                 int size,
                 bool bold,
                 bool underline,
                 bool italic) const {
    const FontInfo* info = own_.fonts.FindMatch(faceName, size, bold, underline, italic);
    if (!info)
      info = Shared().fonts.FindMatch(faceName, size, bold, underline, italic);
    return info ? info->font.Get() : nullptr;
  }
  void RemoveAllFonts(ResourceSet set);

  void AddDefaultAttributeList(std::wstring_view elementName,
                               std::wstring_view attributes,
                               ResourceSet set);
  const wchar_t* GetDefaultAttributeList(std::wstring_view elementName) const;
  void RemoveAllDefaultAttributeLists(ResourceSet set);

  static void AddLanguageText(int id, std::wstring_view text);
  static const wchar_t* GetLanguageText(int id);
  static std::wstring ReplaceLanguagePlaceholders(std::wstring_view text);

  // For the shared set the process-wide colour is set as well, and the window's follows it only
  // if it still had the old shared value.
  void SetColor(uint32_t ResourceInfo::*color, uint32_t value, ResourceSet set);
  uint32_t Color(uint32_t ResourceInfo::*color) const { return own_.*color; }

  ImageRecord* AddImage(const std::wstring& name,
                        const wchar_t* type,
                        uint32_t mask,
                        bool followsShift,
                        ResourceSet set);
  ImageRecord* GetImage(const std::wstring& name) const;
  ImageRecord* GetOrAddImage(const std::wstring& name,
                             const wchar_t* type,
                             uint32_t mask,
                             bool followsShift) {
    ImageRecord* found = GetImage(name);
    return found ? found : AddImage(name, type, mask, followsShift, ResourceSet::Window);
  }
  void RemoveAllImages(ResourceSet set);

 private:
  static ResourceInfo& Shared();
  ResourceInfo& SetFor(ResourceSet set) { return set == ResourceSet::Shared ? Shared() : own_; }
  // The set that an added font, image or attribute list goes into.
  ResourceSet AddingTo(ResourceSet set) const { return forceShared_ ? ResourceSet::Shared : set; }

  // The one maker of skin fonts: the font of that description at the window's scale, stamped
  // with the scale's DPI and measured; no font when it cannot be made.
  FontInfo MakeFont(std::wstring_view faceName,
                    int size,
                    bool bold,
                    bool underline,
                    bool italic) const;
  // Measures a font with the window's DC if its metrics are still unknown.
  void Measure(FontInfo& info) const;
  // The font that lookup finds among the window's fonts, else among the process's, measured;
  // the default font when neither has it.
  template <typename Lookup>
  const FontInfo& MeasuredFontOrDefault(Lookup lookup);

  ResourceInfo own_;
  ImageCache images_;
  DisplayScale scale_;
  HDC measureDc_ = nullptr;
  bool forceShared_ = false;
};

}  // namespace ui
