// The C++ library's default terminate handler prints the type of the uncaught exception to the
// standard error stream before it aborts, and brings the library's whole name demangler (about
// 46 KB) into the program for that. The installer is a GUI program, whose standard error goes
// nowhere: this definition takes the library's place at link time and only aborts, as the
// library's handler does after printing. Nothing is meant to reach it: every callback and thread
// has its exception barrier.

#include <cstdlib>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {

void __verbose_terminate_handler() {
  std::abort();
}

}  // namespace __gnu_cxx
#endif
