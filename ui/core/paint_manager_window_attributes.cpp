#include <cwctype>

#include "base/attribute_values.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

// Attribute names are ASCII; compare them without regard to case.
bool EqualsNoCase(std::wstring_view text, std::wstring_view name) {
  if (text.size() != name.size())
    return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (std::towlower(text[i]) != std::towlower(name[i]))
      return false;
  }
  return true;
}

}  // namespace

void PaintManager::SetInitSize(int cx, int cy) {
  initSize_ = {cx, cy};
  // Once a tree is attached the window keeps the size it has.
  if (!root_ && window_) {
    ::SetWindowPos(window_, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  }
}

void PaintManager::SetWindowAttribute(std::wstring_view name, std::wstring_view value) {
  using base::attribute::ParseColorNoBlanks;
  using base::attribute::ParseInt;
  using base::attribute::ParseRect;
  using base::attribute::ParseSize;

  if (EqualsNoCase(name, L"size")) {
    const SIZE size = ParseSize(value);
    SetInitSize(size.cx, size.cy);
  } else if (EqualsNoCase(name, L"sizebox")) {
    SetSizeBox(ParseRect(value));
  } else if (EqualsNoCase(name, L"caption")) {
    SetCaptionRect(ParseRect(value));
  } else if (EqualsNoCase(name, L"roundcorner")) {
    const SIZE corner = ParseSize(value);
    SetRoundCorner(corner.cx, corner.cy);
  } else if (EqualsNoCase(name, L"mininfo")) {
    const SIZE size = ParseSize(value);
    SetMinInfo(size.cx, size.cy);
  } else if (EqualsNoCase(name, L"maxinfo")) {
    const SIZE size = ParseSize(value);
    SetMaxInfo(size.cx, size.cy);
  } else if (EqualsNoCase(name, L"showdirty")) {
    SetShowDirty(EqualsNoCase(value, L"true"));
  } else if (name == L"noactivate") {
    SetNoActivate(value == L"true");
  } else if (EqualsNoCase(name, L"opacity")) {
    SetOpacity(static_cast<uint8_t>(ParseInt(value)));
  } else if (name == L"layeredopacity") {
    SetLayeredOpacity(static_cast<uint8_t>(ParseInt(value)));
  } else if (name == L"layeredimage") {
    SetLayered(true);
    SetLayeredImage(value);
  } else if (EqualsNoCase(name, L"disabledfontcolor")) {
    SetDisabledFontColor(ParseColorNoBlanks(value));
  } else if (EqualsNoCase(name, L"defaultfontcolor")) {
    SetDefaultFontColor(ParseColorNoBlanks(value));
  } else if (EqualsNoCase(name, L"linkfontcolor")) {
    SetLinkFontColor(ParseColorNoBlanks(value));
  } else if (EqualsNoCase(name, L"linkhoverfontcolor")) {
    SetLinkHoverFontColor(ParseColorNoBlanks(value));
  } else if (EqualsNoCase(name, L"selectedcolor")) {
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
