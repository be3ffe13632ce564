// Reports the operating-system choice for the system Wine pretends to be, as its exit
// code: DetectOsIndex() + 1.

#include "win/platform/detect_os.h"

int main() {
    return static_cast<int>(DetectOsIndex()) + 1;
}
