// What lorvane.dll takes over from the C++ runtime (libstdc++) to stay small. On 32-bit Windows
// an object of the runtime brings every function it holds, used or not (its unwind tables are
// kept whole, and they name them all), so one small helper can bring tens of kilobytes along:
//  - the verbose terminate handler, which prints the type of an exception nobody caught and then
//    aborts, brings the runtime's name demangler (46 KB). Ours ends the process at once with a
//    trap, which the system reports as the crash it is; it prints nothing to a standard error
//    stream no navigation host shows, and calls nothing the device's C runtime would have to
//    hold.
//  - the helpers that the standard strings, containers and locks call to throw length_error,
//    logic_error, system_error and the like bring those classes, their copy-on-write strings and
//    every string function of the runtime (about 95 KB). Ours throw std::bad_alloc.
// Neither changes what the module does: every export, timer procedure and thread body catches
// everything (catch (...), never a type), so a call fails the same way whatever was thrown, and
// nothing is meant to reach terminate. Were the runtime ever to need its own copy of one of these
// helpers as well, the link would fail on the name defined twice rather than keep both.
// benchmarks/README.md has the sizes.
#include <exception>
#include <new>

namespace __gnu_cxx {

void __verbose_terminate_handler() { __builtin_trap(); }

} // namespace __gnu_cxx

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_alloc(); }
void __throw_length_error(const char*) { throw bad_alloc(); }
void __throw_logic_error(const char*) { throw bad_alloc(); }
void __throw_out_of_range_fmt(const char*, ...) { throw bad_alloc(); }
void __throw_system_error(int) { throw bad_alloc(); }

} // namespace std
