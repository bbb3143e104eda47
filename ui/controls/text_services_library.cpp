#include "ui/controls/text_services_library.h"

#include "base/system_library.h"

namespace ui {

// The modules stay loaded for the life of the process, so their routines stay valid.

CreateTextServicesFunction TextServicesFactory() {
  static const CreateTextServicesFunction factory = [] {
    HMODULE module = base::LoadSystemLibrary(L"msftedit.dll");
    return base::GetProcedure<CreateTextServicesFunction>(module, "CreateTextServices");
  }();
  return factory;
}

const Imm32Functions& Imm32() {
  static const Imm32Functions functions = [] {
    Imm32Functions found;
    if (HMODULE module = base::LoadSystemLibrary(L"imm32.dll")) {
      found.getContext = base::GetProcedure<ImmGetContextFunction>(module, "ImmGetContext");
      found.releaseContext =
          base::GetProcedure<ImmReleaseContextFunction>(module, "ImmReleaseContext");
      found.setCompositionWindow =
          base::GetProcedure<ImmSetCompositionWindowFunction>(module, "ImmSetCompositionWindow");
      found.setCompositionFont =
          base::GetProcedure<ImmSetCompositionFontFunction>(module, "ImmSetCompositionFontW");
    }
    return found;
  }();
  return functions;
}

}  // namespace ui
