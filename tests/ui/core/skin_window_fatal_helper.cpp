// Creates a skinned window whose skin cannot be built, so that the window base shows its fatal
// message and ends the process; the skin window test runs it and answers the message box.
#include <windows.h>

#include "tests/ui/core/window_test_support.h"
#include "ui/core/skin_settings.h"

int main() {
  ui::SetProgramModule(::GetModuleHandleW(nullptr));
  ui::testing_support::TestSkinWindow window(L"<Window><Unclosed></Window>");
  window.Create();
  // Not reached: the skin does not build.
  return 0;
}
