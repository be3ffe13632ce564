// How the C++ library reports its own failures in kestrin.exe: a length beyond its limit,
// a position out of range. The library's own functions
// for this build an exception object whose message is formatted into a string of the
// library's older kind, and linking them brings in that whole second string
// implementation and what it uses (a quarter of the program's library code). The program
// never catches these by type, only as any exception (catch (...)), so one small
// exception of its own serves every case; memory and array-size failures stay the
// standard ones.
#include <exception>
#include <new>

namespace {

class LibraryFailure final : public std::exception {
public:
    const char* what() const noexcept override { return "a C++ library call failed"; }
};

}  // namespace

namespace std {

void __throw_bad_alloc() {
    throw bad_alloc();
}

void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}

void __throw_length_error(const char*) {
    throw LibraryFailure();
}

void __throw_logic_error(const char*) {
    throw LibraryFailure();
}

void __throw_out_of_range_fmt(const char*, ...) {
    throw LibraryFailure();
}

}  // namespace std
