// The C++ library's default terminate handler prints the type of the uncaught exception to the
// standard error stream before it aborts, and brings the library's whole name demangler (about
// 46 KB) into the program for that. The installer is a GUI program, whose standard error goes
// nowhere: this definition takes the library's place at link time. Nothing is meant to reach it
// (every callback and thread has its exception barrier); if something does, the log says so and
// the process ends with the exit code of an internal error, never abort()'s 3, which an
// administrator reads as "another installer was running".

#include <windows.h>

#include "app/exit_code.h"
#include "engine/common/run_log.h"

#if defined(__GLIBCXX__)
namespace __gnu_cxx {

void __verbose_terminate_handler() {
  ActiveRunLog().Printf("internal error: an exception left the installer's code; exit code %d",
                        kExitInternalError);
  ::TerminateProcess(::GetCurrentProcess(), kExitInternalError);
  // TerminateProcess on the own process does not return.
  ::ExitProcess(kExitInternalError);
}

}  // namespace __gnu_cxx
#endif
