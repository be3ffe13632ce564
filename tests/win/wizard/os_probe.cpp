// Reports the operating-system choice for the system Wine pretends to be, as its exit
// code: DetectOsIndex() + 1.

#include "pages/detect_os.h"

int main() {
    return DetectOsIndex() + 1;
}
