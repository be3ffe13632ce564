// An exception that nothing catches ends kestrin.exe as the C++ runtime's own handler
// would end it, by abort(), but without the runtime's message about it. That message
// goes to the standard error of a console, which a program with windows does not have,
// and printing it links in the runtime's name demangler and its formatted printing: a
// fifth of kestrin.exe. Defined here, the runtime's handler is never linked in.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::abort();
}

}  // namespace __gnu_cxx
