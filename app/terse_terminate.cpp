// The program's terminate handler: ends the process without a report.
//
// libstdc++'s default handler, __gnu_cxx::__verbose_terminate_handler, prints
// the type of an uncaught exception to the console, and naming the type pulls
// the whole C++ demangler into a static program (some 70 KB of DiziTarvix.exe).
// Defining the handler here takes its place at link time, so that code is never
// linked. A GUI program has no console to print to anyway; abort() ends it the
// way the default handler does after printing.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  std::abort();
}

}  // namespace __gnu_cxx
