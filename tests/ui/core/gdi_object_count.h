#pragma once

#include <windows.h>
#include <winternl.h>

#include <cstdint>

#include "base/system_library.h"

namespace ui::testing_support {

// The number of GDI objects this process holds, or -1 when it cannot be told. Windows answers
// GetGuiResources; Wine's is a stub that answers 0, so under Wine the used entries of the
// process's GDI handle table are counted instead: the table the PEB points to (offset 0xF8 on
// 64-bit, 0x94 on 32-bit), 0x10000 entries of 24 bytes whose type byte is 0 when free.
inline int GdiObjectCount() {
  const DWORD counted = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted != 0)
    return static_cast<int>(counted);
  struct HandleEntry {
    uint64_t object;
    uint16_t processId;
    uint16_t lock;
    uint16_t unique;
    uint8_t type;
    uint8_t flags;
    uint64_t userPointer;
  };
  static_assert(sizeof(HandleEntry) == 24, "the table's entries are 24 bytes");
  using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = base::GetProcedure<QueryProcess>(::GetModuleHandleW(L"ntdll.dll"),
                                                      "NtQueryInformationProcess");
  PROCESS_BASIC_INFORMATION process = {};
  if (!query || query(::GetCurrentProcess(), ProcessBasicInformation, &process, sizeof(process),
                      nullptr) != 0) {
    return -1;
  }
  const auto* peb = reinterpret_cast<const unsigned char*>(process.PebBaseAddress);
  const size_t tableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
  const auto* table = *reinterpret_cast<const HandleEntry* const*>(peb + tableOffset);
  if (!table)
    return -1;
  int used = 0;
  for (int i = 0; i < 0x10000; ++i)
    used += table[i].type != 0 ? 1 : 0;
  return used;
}

}  // namespace ui::testing_support
