// kestrin_prepare_prefix.exe: makes the Wine prefix it runs in ready for printing, for
// programs that know nothing of it (kestrin.exe driven end to end): registers the driver
// "Tavik 10.0.0.11" for 64-bit and 32-bit programs, with its user-interface library from
// this program's folder (see wine_prefix.h). Exit code 0, or 1 when that failed.
#include <cstdio>
#include <stdexcept>

#include "tests/support/wine/wine_prefix.h"

int main() {
    try {
        wine_prefix::RegisterTavikDriver();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "kestrin_prepare_prefix: %s\n", failure.what());
        return 1;
    }
    return 0;
}
