// Reports the operating-system choice for the system Wine pretends to be, as its exit
// code: DetectOsIndex() + 1.

#include "win/platform/os_detection.h"

int main() {
    return static_cast<int>(DetectOsIndex()) + 1;
}
