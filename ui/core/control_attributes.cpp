#include "ui/core/control.h"

#include "base/attribute_values.h"
#include "ui/core/paint_manager.h"
#include "ui/render/image_record.h"

// The common skin attributes of every control.
namespace ui {

std::wstring Control::GetAttribute(std::wstring_view) const {
  return std::wstring();
}

// One branch per skin attribute, read as a table: the layout's and the look's in functions of
// their own, then the rest.
void Control::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (SetLayoutAttribute(name, value) || SetLookAttribute(name, value))
    return;
  if (name == L"name") {
    SetName(value);
  } else if (name == L"text") {
    SetText(value);
  } else if (name == L"accname") {
    SetAccessibleName(value);
  } else if (name == L"tooltip") {
    SetToolTip(value);
  } else if (name == L"userdata") {
    SetUserData(value);
  } else if (name == L"tag") {
    SetTag(base::attribute::ParseInt(value));
  } else if (name == L"enabled") {
    SetEnabled(base::attribute::ParseBool(value));
  } else if (name == L"mouse") {
    SetMouseEnabled(base::attribute::ParseBool(value));
  } else if (name == L"keyboard") {
    SetKeyboardEnabled(base::attribute::ParseBool(value));
  } else if (name == L"visible") {
    SetVisible(base::attribute::ParseBool(value));
  } else if (name == L"shortcut") {
    SetShortcut(value.empty() ? L'\0' : value[0]);
  } else if (name == L"menu") {
    EnableContextMenu(base::attribute::ParseBool(value));
  } else if (name == L"virtualwnd") {
    virtualWindow_ = value;
    if (manager_)
      manager_->SetVirtualWindowsUsed(true);
  } else {
    AddExtraAttribute(name, value);
  }
}

bool Control::SetLayoutAttribute(std::wstring_view name, std::wstring_view value) {
  // The attributes of one length each, set through the size's own (virtual) setter.
  struct LengthAttribute {
    std::wstring_view name;
    void (Control::*set)(SkinLength);
  };
  static constexpr LengthAttribute kLengths[] = {
      {L"width", &Control::SetFixedWidth},  {L"height", &Control::SetFixedHeight},
      {L"minwidth", &Control::SetMinWidth}, {L"minheight", &Control::SetMinHeight},
      {L"maxwidth", &Control::SetMaxWidth}, {L"maxheight", &Control::SetMaxHeight},
  };
  for (const LengthAttribute& length : kLengths) {
    if (name == length.name) {
      (this->*length.set)(SkinLength(base::attribute::ParseInt(value)));
      return true;
    }
  }
  if (name == L"pos") {
    const RECT pos = base::attribute::ParseRect(value);
    SetFloatOffset(SkinSize({pos.left, pos.top}));
    SetFixedWidth(SkinLength(pos.right - pos.left));
    SetFixedHeight(SkinLength(pos.bottom - pos.top));
  } else if (name == L"padding") {
    SetPadding(SkinRect(base::attribute::ParseRect(value)));
  } else if (name == L"float") {
    if (value.find(L',') != std::wstring_view::npos) {
      double fractions[4];
      base::attribute::ParseDoubleList(value, fractions, 4);
      SetFloatAnchor({fractions[0], fractions[1], fractions[2], fractions[3]});
      SetFloat(true);
    } else {
      SetFloat(base::attribute::ParseBool(value));
    }
  } else {
    return false;
  }
  return true;
}

bool Control::SetLookAttribute(std::wstring_view name, std::wstring_view value) {
  // Stores a colour and repaints when it changed.
  auto setColor = [this](uint32_t& field, uint32_t color) {
    if (field == color)
      return;
    field = color;
    Invalidate();
  };
  if (name == L"bkcolor" || name == L"bkcolor1") {
    setColor(backColor_, base::attribute::ParseColor(value));
  } else if (name == L"bkcolor2") {
    setColor(backColor2_, base::attribute::ParseColor(value));
  } else if (name == L"bkcolor3") {
    setColor(backColor3_, base::attribute::ParseColor(value));
  } else if (name == L"bordercolor") {
    setColor(borderColor_, base::attribute::ParseColorNoBlanks(value));
  } else if (name == L"focusbordercolor") {
    setColor(focusBorderColor_, base::attribute::ParseColorNoBlanks(value));
  } else if (name == L"colorhsl") {
    const bool colorHsl = base::attribute::ParseBool(value);
    if (colorHsl_ != colorHsl) {
      colorHsl_ = colorHsl;
      Invalidate();
    }
  } else if (name == L"bordersize") {
    if (value.find(L',') != std::wstring_view::npos) {
      borderSize_ = SkinRect(base::attribute::ParseRect(value));
    } else {
      const int size = base::attribute::ParseInt(value);
      borderSize_ = SkinRect({size, size, size, size});
    }
    Invalidate();
  } else if (name == L"borderstyle") {
    borderStyle_ = base::attribute::ParseInt(value);
    Invalidate();
  } else if (name == L"borderround") {
    borderRound_ = SkinSize(base::attribute::ParseSize(value));
    Invalidate();
  } else if (name == L"bkimage") {
    if (backImage_.description == value && backImage_.image)
      return true;
    backImage_.Clear();
    backImage_.description = value;
    RenderEngine::ResolveImageInfo(manager_, backImage_);
    // A floating control without a size of its own takes the image's.
    if (floating_ && fixedWidth_ == SkinLength(0) && fixedHeight_ == SkinLength(0) &&
        backImage_.image) {
      const SIZE size = ImageSkinSize(*backImage_.image).Unscaled();
      fixedWidth_ = SkinLength(size.cx);
      fixedHeight_ = SkinLength(size.cy);
    }
    Invalidate();
  } else {
    return false;
  }
  return true;
}

std::wstring Control::GetAttributeList(bool) const {
  return std::wstring();
}

// Pairs are name="value", separated by exactly one space; a malformed pair ends the list.
void Control::ApplyAttributeList(std::wstring_view list) {
  size_t position = 0;
  while (position < list.size()) {
    const size_t equals = list.find(L'=', position);
    if (equals == std::wstring_view::npos || equals + 1 >= list.size() ||
        list[equals + 1] != L'"') {
      return;
    }
    const size_t closingQuote = list.find(L'"', equals + 2);
    if (closingQuote == std::wstring_view::npos)
      return;
    SetAttribute(list.substr(position, equals - position),
                 list.substr(equals + 2, closingQuote - equals - 2));
    position = closingQuote + 1;
    if (position >= list.size() || list[position] != L' ')
      return;
    ++position;
  }
}

void Control::AddExtraAttribute(std::wstring_view name, std::wstring_view value) {
  if (name.empty() || value.empty())
    return;
  extraAttributes_.emplace(std::wstring(name), std::wstring(value));
}

const wchar_t* Control::GetExtraAttribute(std::wstring_view name) const {
  auto it = extraAttributes_.find(name);
  return it == extraAttributes_.end() ? nullptr : it->second.c_str();
}

void Control::RemoveExtraAttribute(std::wstring_view name) {
  auto it = extraAttributes_.find(name);
  if (it != extraAttributes_.end())
    extraAttributes_.erase(it);
}

}  // namespace ui
