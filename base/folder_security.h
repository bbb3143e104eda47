#pragma once

#include <windows.h>

#include <string>

namespace base {

// The security of a folder that an elevated installer creates for a program, as Program Files
// has it: SYSTEM and Administrators full control, Users read and execute, inherited by
// everything below and not taken from the parent, so that a folder created where users may
// write (the root of a second drive, say) holds nothing they could plant or replace.
class ProtectedFolderSecurity {
 public:
  // In the security descriptor language.
  static constexpr wchar_t kDescriptor[] =
      L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

  ProtectedFolderSecurity();
  ~ProtectedFolderSecurity();
  ProtectedFolderSecurity(const ProtectedFolderSecurity&) = delete;
  ProtectedFolderSecurity& operator=(const ProtectedFolderSecurity&) = delete;

  // For CreateDirectoryW; null when the system could not build the descriptor.
  SECURITY_ATTRIBUTES* Get() { return attributes_.lpSecurityDescriptor ? &attributes_ : nullptr; }

 private:
  SECURITY_ATTRIBUTES attributes_{};
};

// The access rules (the DACL, in the descriptor language) of the file or folder at path; empty
// when they cannot be read.
std::wstring AccessRulesOf(const std::wstring& path);

}  // namespace base
