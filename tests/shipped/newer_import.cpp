// Imports a function of Vista and later, for the import check to refuse.
#include <windows.h>

int main() {
    return GetTickCount64() == 0 ? 1 : 0;
}
