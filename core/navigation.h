#pragma once

#include <cstdint>
#include <optional>

#include "core/exit_code.h"

// The pages the operating-system page opens on top of itself, hidden while they run.
enum class NestedPage { Settings, TestPagePrompt };

// What the operating-system page does once a nested page has ended.
struct NavigationStep {
    enum class Action {
        ShowOsPage,        // back to the operating-system page, as the user left it
        EndWizard,         // the operating-system page ends with `endCode`
        OpenSettingsPage,  // post WM_SHOW_SETTINGS; the operating-system page stays hidden
        ReopenPage,        // the same page again, a fresh object showing the record
    };

    Action action = Action::ShowOsPage;
    std::intptr_t endCode = 0;

    friend bool operator==(const NavigationStep&, const NavigationStep&) = default;
};

NavigationStep NextStep(NestedPage page, std::intptr_t result);

// The exit code of a run whose wizard ended with `wizardResult`, or nothing when the
// wizard finished and the installation decides.
std::optional<ExitCode> ExitCodeWithoutInstallation(std::intptr_t wizardResult);
