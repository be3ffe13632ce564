#include "win/pages/close_command.h"

#include "core/page_results.h"

void EndOnCloseCommand(CDialog& page, WPARAM command) {
    if (command == SC_CLOSE) page.EndDialog(WIZARD_CANCEL);
}
