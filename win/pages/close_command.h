#pragma once

#include <windows.h>

#include "win/framework/dialog.h"

// The nested pages' answer to a system command: the close command (the caption's close
// button, Alt+F4) ends the page with WIZARD_CANCEL; every other command is swallowed,
// so such a page can be neither moved nor minimised.
void EndOnCloseCommand(CDialog& page, WPARAM command);
