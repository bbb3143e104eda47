#include "app/agreement_page.h"

#include <windows.h>

#include <shellapi.h>

std::wstring AgreementPageAddress() {
  return QUENBY_AGREEMENT_URL;
}

void OpenAgreementPage() {
  // The result is not examined: the wizard stays as it is either way.
  ::ShellExecuteW(nullptr, L"open", AgreementPageAddress().c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}
