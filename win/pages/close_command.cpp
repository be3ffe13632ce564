#include "pages/close_command.h"

#include "pages/page_results.h"

void EndOnCloseCommand(CDialog& page, WPARAM command) {
    if (command == SC_CLOSE) page.EndDialog(WIZARD_CANCEL);
}
