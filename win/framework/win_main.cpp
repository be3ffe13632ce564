#include <windows.h>

#include "win/framework/win_app.h"

// The program's entry point. Kept out of the framework's library so that the linker
// always takes it, whatever order the libraries come in.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return AfxWinMain(instance);
}
