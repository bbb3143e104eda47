#include "ui/render/msimg32_functions.h"

#include "base/system_library.h"

namespace ui {

const Msimg32Functions& Msimg32() {
  // The module stays loaded for the life of the process, so its routines stay valid.
  static const Msimg32Functions functions = [] {
    Msimg32Functions found;
    if (HMODULE module = base::LoadSystemLibrary(L"msimg32.dll")) {
      found.alphaBlend = base::GetProcedure<AlphaBlendFunction>(module, "AlphaBlend");
      found.gradientFill = base::GetProcedure<GradientFillFunction>(module, "GradientFill");
    }
    return found;
  }();
  return functions;
}

}  // namespace ui
