#include "core/navigation.h"

#include "core/page_results.h"

namespace {

using Action = NavigationStep::Action;

NavigationStep End(std::intptr_t code) {
    return {Action::EndWizard, code};
}

// Results that no page's own buttons produce.
NavigationStep Unexpected(std::intptr_t result) {
    switch (result) {
        // A stray Enter on a control that is no push button must change nothing.
        case kDefaultAccept:
            return {Action::ReopenPage};
        // Ending with the dialog manager's own failure code makes the run report that the
        // wizard could not be shown.
        case kPageNotCreated:
            return End(kPageNotCreated);
        // No page ends with anything else; should one, nothing is installed.
        default:
            return End(WIZARD_CANCEL);
    }
}

}  // namespace

NavigationStep NextStep(NestedPage page, std::intptr_t result) {
    if (result == WIZARD_CANCEL) return End(WIZARD_CANCEL);
    if (page == NestedPage::Settings) {
        if (result == PAGE_BACK) return {Action::ShowOsPage};
        if (result == PAGE_NEXT) return End(WIZARD_FINISH);
    } else {
        // The prompt's Back goes through the operating-system page's own message loop, so
        // that the settings page opens once the prompt is gone.
        if (result == PAGE_BACK) return {Action::OpenSettingsPage};
        if (result == WIZARD_FINISH) return End(WIZARD_FINISH);
    }
    return Unexpected(result);
}

std::optional<ExitCode> ExitCodeWithoutInstallation(std::intptr_t wizardResult) {
    if (wizardResult == WIZARD_FINISH) return std::nullopt;
    if (wizardResult == kPageNotCreated) return ExitCode::WizardNotShown;
    return ExitCode::WizardNotFinished;
}
