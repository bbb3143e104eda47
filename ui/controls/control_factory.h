#pragma once

namespace ui {

class Control;

// Creates the control class for a skin element name (case-insensitive, except "GifAnim");
// null for names this framework has no class for. The caller owns the control.
Control* CreateControlForElement(const wchar_t* elementName);

}  // namespace ui
