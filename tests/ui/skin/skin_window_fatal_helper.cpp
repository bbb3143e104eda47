// Creates a skinned window that cannot be built, so that the window base shows its fatal message
// and ends the process; the skin window test runs it and answers the message box. Without an
// argument the skin's markup is broken; with "throw" building it throws.
#include <windows.h>

#include <cstring>
#include <stdexcept>

#include "tests/ui/core/window_test_support.h"
#include "ui/core/skin_settings.h"

namespace {

class ThrowingSkinWindow : public ui::testing_support::TestSkinWindow {
 public:
  ThrowingSkinWindow() : TestSkinWindow(L"<Window size=\"100,100\"><Gadget/></Window>") {}
  ui::Control* CreateCustomControl(const wchar_t*) override {
    throw std::runtime_error("no gadget");
  }
};

}  // namespace

int main(int argc, char** argv) {
  ui::SetProgramModule(::GetModuleHandleW(nullptr));
  if (argc > 1 && std::strcmp(argv[1], "throw") == 0) {
    ThrowingSkinWindow window;
    window.Create();
  } else {
    ui::testing_support::TestSkinWindow window(L"<Window><Unclosed></Window>");
    window.Create();
  }
  // Not reached: the window is not built.
  return 0;
}
