#include "base/folder_security.h"

#include <aclapi.h>
#include <sddl.h>

namespace base {

ProtectedFolderSecurity::ProtectedFolderSecurity() {
  attributes_.nLength = sizeof(attributes_);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(kDescriptor, SDDL_REVISION_1,
                                                             &descriptor, nullptr))
    attributes_.lpSecurityDescriptor = descriptor;
}

ProtectedFolderSecurity::~ProtectedFolderSecurity() {
  // The system allocated the descriptor with LocalAlloc.
  if (attributes_.lpSecurityDescriptor)
    ::LocalFree(attributes_.lpSecurityDescriptor);
}

std::wstring AccessRulesOf(const std::wstring& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
    return {};
  wchar_t* text = nullptr;
  std::wstring rules;
  if (::ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
    rules = text;
    ::LocalFree(text);
  }
  ::LocalFree(descriptor);
  return rules;
}

}  // namespace base
