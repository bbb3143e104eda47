#include "app/run_log_header.h"

#include <windows.h>

#include "base/system_library.h"
#include "engine/common/run_log.h"
#include "engine/common/text_convert.h"
#include "installer_version.h"

namespace {

#if defined(__x86_64__) || defined(_M_X64)
constexpr char kArchitecture[] = "x86_64";
#else
constexpr char kArchitecture[] = "i686";
#endif

const char* MachineName(WORD architecture) {
  switch (architecture) {
    case PROCESSOR_ARCHITECTURE_AMD64:
      return "x64";
    case PROCESSOR_ARCHITECTURE_INTEL:
      return "x86";
    case PROCESSOR_ARCHITECTURE_ARM64:
      return "ARM64";
    default:
      return "other";
  }
}

}  // namespace

void WriteRunLogHeader(RunLog& log, const wchar_t* commandLine) {
  log.Printf("Quenby installer %s (%s)", QUENBY_VERSION_TEXT, kArchitecture);
  log.Printf("command line: %s", WideToUtf8(commandLine ? commandLine : L"").c_str());
  // GetVersionEx answers what the program's manifest declares it supports; ntdll tells the truth.
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  const auto getVersion = base::GetProcedure<RtlGetVersionFunction>(ntdll, "RtlGetVersion");
  SYSTEM_INFO system;
  ::GetNativeSystemInfo(&system);
  if (getVersion && getVersion(&version) == 0) {
    log.Printf("Windows %lu.%lu.%lu %s (%s)", version.dwMajorVersion, version.dwMinorVersion,
               version.dwBuildNumber, WideToUtf8(version.szCSDVersion).c_str(),
               MachineName(system.wProcessorArchitecture));
  }
  using WineVersionFunction = const char*(CDECL*)();
  if (const auto wine = base::GetProcedure<WineVersionFunction>(ntdll, "wine_get_version"))
    log.Printf("under Wine %s", wine());
}
