#include "ui/core/paint_manager.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <string>
#include <utility>

namespace ui {
namespace {

constexpr BYTE kDefaultCharset = DEFAULT_CHARSET;
// Placeholder expansion stops growing the text here: a language text that contains its own
// placeholder would otherwise be expanded without end.
constexpr size_t kMaxExpandedTextLength = 8192;

// The logical description of the platform's default GUI font, with the default character set.
LOGFONTW DefaultGuiLogFont() {
  LOGFONTW logFont = {};
  // A failure leaves an all-zero description, which still names a usable default font.
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont);
  logFont.lfCharSet = kDefaultCharset;
  return logFont;
}

// A font described like the default GUI font but with the given face, pixel size and styles.
base::ScopedFont CreateSkinFont(std::wstring_view faceName,
                                int size,
                                bool bold,
                                bool underline,
                                bool italic) {
  LOGFONTW logFont = DefaultGuiLogFont();
  // The face field holds LF_FACESIZE characters including the terminator.
  const size_t length = std::min<size_t>(faceName.size(), LF_FACESIZE - 1);
  faceName.copy(logFont.lfFaceName, length);
  logFont.lfFaceName[length] = L'\0';
  logFont.lfHeight = -size;
  if (bold)
    logFont.lfWeight = std::min<LONG>(logFont.lfWeight + FW_BOLD, 1000);
  if (underline)
    logFont.lfUnderline = TRUE;
  if (italic)
    logFont.lfItalic = TRUE;
  return base::ScopedFont(::CreateFontIndirectW(&logFont));
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

// The skin font of that description at scale: made at the skin size times the scale, stamped
// with the scale's DPI so that a change of scale can make it again. No font when it cannot be
// made.
FontInfo MakeScaledFont(std::wstring_view faceName,
                        int size,
                        bool bold,
                        bool underline,
                        bool italic,
                        DisplayScale scale) {
  base::ScopedFont font =
      CreateSkinFont(faceName, scale.Length(SkinLength(size)), bold, underline, italic);
  if (!font)
    return {};
  FontInfo info = DescribeFont(std::move(font), faceName, size, bold, underline, italic);
  info.dpi = scale.Dpi();
  return info;
}

}  // namespace

FontInfo* FontTable::Find(int id) {
  auto it = fonts_.find(id);
  return it == fonts_.end() ? nullptr : &it->second;
}

FontInfo* FontTable::FindByHandle(HFONT font) {
  for (auto& [id, info] : fonts_) {
    if (info.font.Get() == font)
      return &info;
  }
  return nullptr;
}

const FontInfo* FontTable::FindMatch(std::wstring_view faceName,
                                     int size,
                                     bool bold,
                                     bool underline,
                                     bool italic) const {
  for (const auto& [id, info] : fonts_) {
    if (info.faceName == faceName && info.size == size && info.bold == bold &&
        info.underline == underline && info.italic == italic) {
      return &info;
    }
  }
  return nullptr;
}

FontInfo& FontTable::Insert(int id, FontInfo info) {
  FontInfo& slot = fonts_[id];
  slot = std::move(info);
  return slot;
}

ResourceInfo& PaintManager::SharedResources() {
  static ResourceInfo shared;
  return shared;
}

HPEN PaintManager::ShowDirtyPen() {
  static base::ScopedPen pen(::CreatePen(PS_SOLID, 1, RGB(220, 0, 0)));
  return pen.Get();
}

// msimg32.dll is loaded by the render engine, from the system folder, when it first draws.
void PaintManager::InitializeProcessWide() {
  ResourceInfo& shared = SharedResources();
  if (!shared.defaultFont.faceName.empty())
    return;
  shared.disabledTextColor = 0xFFA7A6AA;
  shared.textColor = 0xFF000000;
  shared.linkColor = 0xFF0000FF;
  shared.linkHoverColor = 0xFFD3215F;
  shared.selectedBackColor = 0xFFBAE4FF;
  LOGFONTW logFont = DefaultGuiLogFont();
  if (base::ScopedFont font(::CreateFontIndirectW(&logFont)); font) {
    shared.defaultFont =
        DescribeFont(std::move(font), logFont.lfFaceName, -logFont.lfHeight,
                     logFont.lfWeight >= FW_BOLD, logFont.lfUnderline != 0, logFont.lfItalic != 0);
  }
  ShowDirtyPen();
  static bool commonControlsReady = false;
  if (!commonControlsReady) {
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES};
    // Without the common controls only tooltips are missing; nothing else depends on them.
    commonControlsReady = ::InitCommonControlsEx(&classes) != FALSE;
  }
}

void PaintManager::MeasureFont(FontInfo& info) const {
  HDC dc = windowDc_.Get();
  if (!dc || !info.font || info.metrics.tmHeight != 0)
    return;
  base::ScopedSelectObject select(dc, info.font.Get());
  ::GetTextMetricsW(dc, &info.metrics);
}

HFONT PaintManager::AddFont(int id,
                            std::wstring_view faceName,
                            int size,
                            bool bold,
                            bool underline,
                            bool italic,
                            ResourceSet set) {
  FontInfo info = MakeScaledFont(faceName, size, bold, underline, italic, scale_);
  if (!info.font)
    return nullptr;
  MeasureFont(info);
  FontTable& table = set == ResourceSet::Shared || forceSharedResources_ ? SharedResources().fonts
                                                                         : resources_.fonts;
  return table.Insert(id, std::move(info)).font.Get();
}

bool PaintManager::SetDefaultFont(std::wstring_view faceName,
                                  int size,
                                  bool bold,
                                  bool underline,
                                  bool italic,
                                  ResourceSet set) {
  FontInfo info = MakeScaledFont(faceName, size, bold, underline, italic, scale_);
  if (!info.font)
    return false;
  FontInfo& target =
      set == ResourceSet::Shared ? SharedResources().defaultFont : resources_.defaultFont;
  target = std::move(info);
  MeasureFont(target);
  return true;
}

const FontInfo& PaintManager::GetDefaultFontInfo() {
  FontInfo& info = resources_.defaultFont.faceName.empty() ? SharedResources().defaultFont
                                                           : resources_.defaultFont;
  MeasureFont(info);
  return info;
}

HFONT PaintManager::GetFont(int id) {
  return GetFontInfo(id).font.Get();
}

template <typename Lookup>
const FontInfo& PaintManager::MeasuredFontOrDefault(Lookup lookup) {
  FontInfo* info = lookup(resources_.fonts);
  if (!info)
    info = lookup(SharedResources().fonts);
  if (!info)
    return GetDefaultFontInfo();
  MeasureFont(*info);
  return *info;
}

const FontInfo& PaintManager::GetFontInfo(int id) {
  if (id < 0)
    return GetDefaultFontInfo();
  return MeasuredFontOrDefault([id](FontTable& fonts) { return fonts.Find(id); });
}

const FontInfo& PaintManager::GetFontInfo(HFONT font) {
  return MeasuredFontOrDefault([font](FontTable& fonts) { return fonts.FindByHandle(font); });
}

HFONT PaintManager::FindFont(std::wstring_view faceName,
                             int size,
                             bool bold,
                             bool underline,
                             bool italic) const {
  const FontInfo* info = resources_.fonts.FindMatch(faceName, size, bold, underline, italic);
  if (!info)
    info = SharedResources().fonts.FindMatch(faceName, size, bold, underline, italic);
  return info ? info->font.Get() : nullptr;
}

void PaintManager::RescaleFonts() {
  const auto rescale = [this](FontInfo& info) {
    if (info.dpi == 0 || info.dpi == scale_.Dpi())
      return;
    FontInfo remade =
        MakeScaledFont(info.faceName, info.size, info.bold, info.underline, info.italic, scale_);
    // A font that cannot be made again keeps its old size rather than vanishing.
    if (remade.font)
      info = std::move(remade);
  };
  // The shared fonts follow the window that changed scale last; the installer has one window at
  // a time, and its dialogs take the same scale.
  for (ResourceInfo* set : {&resources_, &SharedResources()}) {
    rescale(set->defaultFont);
    set->fonts.ForEach(rescale);
  }
}

void PaintManager::RemoveAllFonts(ResourceSet set) {
  (set == ResourceSet::Shared ? SharedResources() : resources_).fonts.Clear();
}

void PaintManager::AddDefaultAttributeList(std::wstring_view elementName,
                                           std::wstring_view attributes,
                                           ResourceSet set) {
  auto& lists = set == ResourceSet::Shared || forceSharedResources_
                    ? SharedResources().defaultAttributeLists
                    : resources_.defaultAttributeLists;
  lists.insert_or_assign(std::wstring(elementName), std::wstring(attributes));
}

const wchar_t* PaintManager::GetDefaultAttributeList(std::wstring_view elementName) const {
  const auto find = [elementName](const ResourceInfo& set) -> const wchar_t* {
    auto it = set.defaultAttributeLists.find(elementName);
    return it == set.defaultAttributeLists.end() ? nullptr : it->second.c_str();
  };
  const wchar_t* own = find(resources_);
  return own ? own : find(SharedResources());
}

void PaintManager::RemoveAllDefaultAttributeLists(ResourceSet set) {
  (set == ResourceSet::Shared ? SharedResources() : resources_).defaultAttributeLists.clear();
}

void PaintManager::AddLanguageText(int id, std::wstring_view text) {
  SharedResources().languageTexts.insert_or_assign(id, std::wstring(text));
}

const wchar_t* PaintManager::GetLanguageText(int id) {
  const auto& texts = SharedResources().languageTexts;
  auto it = texts.find(id);
  return it == texts.end() ? nullptr : it->second.c_str();
}

std::wstring PaintManager::ReplaceLanguagePlaceholders(std::wstring_view text) {
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

void PaintManager::SetColor(uint32_t ResourceInfo::*color, uint32_t value, ResourceSet set) {
  if (set == ResourceSet::Shared) {
    ResourceInfo& sharedSet = SharedResources();
    if (resources_.*color == sharedSet.*color)
      resources_.*color = value;
    sharedSet.*color = value;
    return;
  }
  resources_.*color = value;
}

void PaintManager::SetDisabledFontColor(uint32_t color, ResourceSet set) {
  SetColor(&ResourceInfo::disabledTextColor, color, set);
}

void PaintManager::SetDefaultFontColor(uint32_t color, ResourceSet set) {
  SetColor(&ResourceInfo::textColor, color, set);
}

void PaintManager::SetLinkFontColor(uint32_t color, ResourceSet set) {
  SetColor(&ResourceInfo::linkColor, color, set);
}

void PaintManager::SetLinkHoverFontColor(uint32_t color, ResourceSet set) {
  SetColor(&ResourceInfo::linkHoverColor, color, set);
}

void PaintManager::SetSelectedColor(uint32_t color, ResourceSet set) {
  SetColor(&ResourceInfo::selectedBackColor, color, set);
}

}  // namespace ui
