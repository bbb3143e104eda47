#include "ui/core/window_resources.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "ui/core/skin_resource.h"

namespace ui {
namespace {

// Placeholder expansion stops growing the text here: a language text that contains its own
// placeholder would otherwise be expanded without end.
constexpr size_t kMaxExpandedTextLength = 8192;

// The logical description of the platform's default GUI font, with the default character set.
LOGFONTW DefaultGuiLogFont() {
  LOGFONTW logFont = {};
  // A failure leaves an all-zero description, which still names a usable default font.
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont);
  logFont.lfCharSet = DEFAULT_CHARSET;
  return logFont;
}

FontInfo DescribeFont(base::ScopedFont font,
                      std::wstring_view faceName,
                      int size,
                      bool bold,
                      bool underline,
                      bool italic) {
  FontInfo info;
  info.font = std::move(font);
  info.faceName = faceName;
  info.size = size;
  info.bold = bold;
  info.underline = underline;
  info.italic = italic;
  return info;
}

// The shared set's defaults: the colours of a new set and the platform's default GUI font,
// which is never rescaled.
ResourceInfo MakeSharedSet() {
  ResourceInfo shared;
  LOGFONTW logFont = DefaultGuiLogFont();
  if (base::ScopedFont font(::CreateFontIndirectW(&logFont)); font) {
    shared.defaultFont =
        DescribeFont(std::move(font), logFont.lfFaceName, -logFont.lfHeight,
                     logFont.lfWeight >= FW_BOLD, logFont.lfUnderline != 0, logFont.lfItalic != 0);
  }
  return shared;
}

}  // namespace

ResourceInfo& WindowResources::Shared() {
  static ResourceInfo shared = MakeSharedSet();
  return shared;
}

WindowResources::WindowResources() {
  const ResourceInfo& shared = Shared();
  own_.disabledTextColor = shared.disabledTextColor;
  own_.textColor = shared.textColor;
  own_.linkColor = shared.linkColor;
  own_.linkHoverColor = shared.linkHoverColor;
  own_.selectedBackColor = shared.selectedBackColor;
}

void WindowResources::ClearOwn() {
  own_.fonts.Clear();
  own_.defaultAttributeLists.clear();
  images_.Clear();
}

FontInfo WindowResources::MakeFont(std::wstring_view faceName,
                                   int size,
                                   bool bold,
                                   bool underline,
                                   bool italic) const {
  LOGFONTW logFont = DefaultGuiLogFont();
  // The face field holds LF_FACESIZE characters including the terminator.
  const size_t length = std::min<size_t>(faceName.size(), LF_FACESIZE - 1);
  faceName.copy(logFont.lfFaceName, length);
  logFont.lfFaceName[length] = L'\0';
  logFont.lfHeight = -scale_.Length(SkinLength(size));
  if (bold)
    logFont.lfWeight = std::min<LONG>(logFont.lfWeight + FW_BOLD, 1000);
  if (underline)
    logFont.lfUnderline = TRUE;
  if (italic)
    logFont.lfItalic = TRUE;
  base::ScopedFont font(::CreateFontIndirectW(&logFont));
  if (!font)
    return {};
  FontInfo info = DescribeFont(std::move(font), faceName, size, bold, underline, italic);
  info.dpi = scale_.Dpi();
  Measure(info);
  return info;
}

void WindowResources::Measure(FontInfo& info) const {
  if (!measureDc_ || !info.font || info.metrics.tmHeight != 0)
    return;
  base::ScopedSelectObject select(measureDc_, info.font.Get());
  ::GetTextMetricsW(measureDc_, &info.metrics);
}

void WindowResources::SetScale(DisplayScale scale) {
  if (scale == scale_)
    return;
  scale_ = scale;
  const auto remake = [this](FontInfo& info) {
    if (info.dpi == 0 || info.dpi == scale_.Dpi())
      return;
    FontInfo remade = MakeFont(info.faceName, info.size, info.bold, info.underline, info.italic);
    // A font that cannot be made again keeps its old size rather than vanishing.
    if (remade.font)
      info = std::move(remade);
  };
  for (ResourceInfo* set : {&own_, &Shared()}) {
    remake(set->defaultFont);
    set->fonts.ForEach(remake);
  }
}

HFONT WindowResources::AddFont(int id,
                               std::wstring_view faceName,
                               int size,
                               bool bold,
                               bool underline,
                               bool italic,
                               ResourceSet set) {
  FontInfo info = MakeFont(faceName, size, bold, underline, italic);
  if (!info.font)
    return nullptr;
  return SetFor(AddingTo(set)).fonts.Insert(id, std::move(info)).font.Get();
}

bool WindowResources::SetDefaultFont(std::wstring_view faceName,
                                     int size,
                                     bool bold,
                                     bool underline,
                                     bool italic,
                                     ResourceSet set) {
  FontInfo info = MakeFont(faceName, size, bold, underline, italic);
  if (!info.font)
    return false;
  SetFor(set).defaultFont = std::move(info);
  return true;
}

const FontInfo& WindowResources::GetDefaultFontInfo() {
  FontInfo& info = own_.defaultFont.faceName.empty() ? Shared().defaultFont : own_.defaultFont;
  Measure(info);
  return info;
}

template <typename Lookup>
const FontInfo& WindowResources::MeasuredFontOrDefault(Lookup lookup) {
  FontInfo* info = lookup(own_.fonts);
  if (!info)
    info = lookup(Shared().fonts);
  if (!info)
    return GetDefaultFontInfo();
  Measure(*info);
  return *info;
}

const FontInfo& WindowResources::GetFontInfo(int id) {
  if (id < 0)
    return GetDefaultFontInfo();
  return MeasuredFontOrDefault([id](FontTable& fonts) { return fonts.Find(id); });
}

const FontInfo& WindowResources::GetFontInfo(HFONT font) {
  return MeasuredFontOrDefault([font](FontTable& fonts) { return fonts.FindByHandle(font); });
}

void WindowResources::RemoveAllFonts(ResourceSet set) {
  SetFor(set).fonts.Clear();
}

void WindowResources::AddDefaultAttributeList(std::wstring_view elementName,
                                              std::wstring_view attributes,
                                              ResourceSet set) {
  SetFor(AddingTo(set))
      .defaultAttributeLists.insert_or_assign(std::wstring(elementName), std::wstring(attributes));
}

const wchar_t* WindowResources::GetDefaultAttributeList(std::wstring_view elementName) const {
  const auto find = [elementName](const ResourceInfo& set) -> const wchar_t* {
    auto it = set.defaultAttributeLists.find(elementName);
    return it == set.defaultAttributeLists.end() ? nullptr : it->second.c_str();
  };
  const wchar_t* own = find(own_);
  return own ? own : find(Shared());
}

void WindowResources::RemoveAllDefaultAttributeLists(ResourceSet set) {
  SetFor(set).defaultAttributeLists.clear();
}

void WindowResources::AddLanguageText(int id, std::wstring_view text) {
  Shared().languageTexts.insert_or_assign(id, std::wstring(text));
}

const wchar_t* WindowResources::GetLanguageText(int id) {
  const auto& texts = Shared().languageTexts;
  auto it = texts.find(id);
  return it == texts.end() ? nullptr : it->second.c_str();
}

std::wstring WindowResources::ReplaceLanguagePlaceholders(std::wstring_view text) {
  std::wstring result(text);
  for (size_t percent = result.find(L'%'); percent != std::wstring::npos;
       percent = result.find(L'%', percent + 1)) {
    if (percent + 1 >= result.size() || result[percent + 1] != L'{')
      continue;
    size_t end = percent + 2;
    long long id = 0;
    while (end < result.size() && result[end] >= L'0' && result[end] <= L'9') {
      // More digits than an id can have: no text can match.
      id = std::min<long long>(id * 10 + (result[end] - L'0'), static_cast<long long>(INT_MAX) + 1);
      ++end;
    }
    if (end >= result.size() || result[end] != L'}' || id > INT_MAX)
      continue;
    const wchar_t* replacement = GetLanguageText(static_cast<int>(id));
    if (!replacement)
      continue;
    const std::wstring placeholder = result.substr(percent, end + 1 - percent);
    const std::wstring_view value(replacement);
    for (size_t at = result.find(placeholder); at != std::wstring::npos;
         at = result.find(placeholder, at + value.size())) {
      if (value.size() > placeholder.size() &&
          result.size() + value.size() - placeholder.size() > kMaxExpandedTextLength) {
        return result;
      }
      result.replace(at, placeholder.size(), value);
    }
  }
  return result;
}

void WindowResources::SetColor(uint32_t ResourceInfo::*color, uint32_t value, ResourceSet set) {
  if (set == ResourceSet::Shared) {
    ResourceInfo& shared = Shared();
    if (own_.*color == shared.*color)
      own_.*color = value;
    shared.*color = value;
    return;
  }
  own_.*color = value;
}

ImageRecord* WindowResources::AddImage(const std::wstring& name,
                                       const wchar_t* type,
                                       uint32_t mask,
                                       bool followsShift,
                                       ResourceSet set) {
  // The window's images come from the skin.
  ImageRecordPtr record =
      LoadCacheImage(name, type, mask, followsShift, &ReadSkinImage, scale_.Dpi());
  if (!record)
    return nullptr;
  ImageCache& target = AddingTo(set) == ResourceSet::Shared ? ImageCache::Shared() : images_;
  return target.Insert(ImageCacheKey(name, scale_.Dpi()), std::move(record));
}

ImageRecord* WindowResources::GetImage(const std::wstring& name) const {
  // Each scale has its own copy of an image.
  const std::wstring key = ImageCacheKey(name, scale_.Dpi());
  if (ImageRecord* own = images_.Find(key))
    return own;
  return ImageCache::Shared().Find(key);
}

void WindowResources::RemoveAllImages(ResourceSet set) {
  (set == ResourceSet::Shared ? ImageCache::Shared() : images_).Clear();
}

}  // namespace ui
