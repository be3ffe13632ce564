#pragma once

#include <windows.h>

#include "win/framework/win_app.h"

// The application object. Its start-up is the whole run: read the command line, run
// the wizard, install when the wizard finished.
class CKestrinApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
