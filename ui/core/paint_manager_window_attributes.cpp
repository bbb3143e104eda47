#include "base/attribute_values.h"
#include "base/string_compare.h"
#include "ui/core/paint_manager.h"

namespace ui {

void PaintManager::SetInitSize(const SkinSize& size) {
  initSize_ = size;
  // Once a tree is attached the window keeps the size it has.
  if (!root_ && window_) {
    const SIZE size = ScaledInitSize();
    ::SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy,
                   SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  }
}

void PaintManager::SetWindowAttribute(std::wstring_view name, std::wstring_view value) {
  using base::attribute::ParseColorNoBlanks;
  using base::attribute::ParseInt;
  using base::attribute::ParseRect;
  using base::attribute::ParseSize;

  if (base::EqualsIgnoringCase(name, L"size")) {
    SetInitSize(SkinSize(ParseSize(value)));
  } else if (base::EqualsIgnoringCase(name, L"sizebox")) {
    SetSizeBox(SkinRect(ParseRect(value)));
  } else if (base::EqualsIgnoringCase(name, L"caption")) {
    SetCaptionRect(SkinRect(ParseRect(value)));
  } else if (base::EqualsIgnoringCase(name, L"roundcorner")) {
    SetRoundCorner(SkinSize(ParseSize(value)));
  } else if (base::EqualsIgnoringCase(name, L"mininfo")) {
    SetMinInfo(SkinSize(ParseSize(value)));
  } else if (base::EqualsIgnoringCase(name, L"maxinfo")) {
    SetMaxInfo(SkinSize(ParseSize(value)));
  } else if (base::EqualsIgnoringCase(name, L"showdirty")) {
    SetShowDirty(base::EqualsIgnoringCase(value, L"true"));
  } else if (name == L"noactivate") {
    SetNoActivate(value == L"true");
  } else if (base::EqualsIgnoringCase(name, L"opacity")) {
    SetOpacity(static_cast<uint8_t>(ParseInt(value)));
  } else if (name == L"layeredopacity") {
    SetLayeredOpacity(static_cast<uint8_t>(ParseInt(value)));
  } else if (name == L"layeredimage") {
    SetLayered(true);
    SetLayeredImage(value);
  } else if (base::EqualsIgnoringCase(name, L"disabledfontcolor")) {
    SetDisabledFontColor(ParseColorNoBlanks(value));
  } else if (base::EqualsIgnoringCase(name, L"defaultfontcolor")) {
    SetDefaultFontColor(ParseColorNoBlanks(value));
  } else if (base::EqualsIgnoringCase(name, L"linkfontcolor")) {
    SetLinkFontColor(ParseColorNoBlanks(value));
  } else if (base::EqualsIgnoringCase(name, L"linkhoverfontcolor")) {
    SetLinkHoverFontColor(ParseColorNoBlanks(value));
  } else if (base::EqualsIgnoringCase(name, L"selectedcolor")) {
    SetSelectedColor(ParseColorNoBlanks(value));
  } else if (!name.empty() && !value.empty()) {
    // The first value given for a name stays.
    customWindowAttributes_.try_emplace(std::wstring(name), std::wstring(value));
  }
}

const wchar_t* PaintManager::GetWindowCustomAttribute(std::wstring_view name) const {
  auto it = customWindowAttributes_.find(name);
  return it == customWindowAttributes_.end() ? nullptr : it->second.c_str();
}

}  // namespace ui
