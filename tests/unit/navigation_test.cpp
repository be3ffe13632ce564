#include <gtest/gtest.h>

#include "core/elevation.h"
#include "core/navigation.h"
#include "core/page_results.h"
#include "core/port_choice.h"
#include "tests/support/test_constants.h"

namespace {

using Action = NavigationStep::Action;
constexpr NestedPage kSettings = NestedPage::Settings;
constexpr NestedPage kPrompt = NestedPage::TestPagePrompt;

struct NavigationCase {
    NestedPage page;
    std::intptr_t result;
    NavigationStep step;
};

class NavigationTest : public testing::TestWithParam<NavigationCase> {};

TEST_P(NavigationTest, TurnsAPageResultIntoTheWizardsNextStep) {
    const NavigationCase& c = GetParam();
    const NavigationStep step = NextStep(c.page, c.result);
    EXPECT_EQ(step.action, c.step.action) << "result " << c.result;
    EXPECT_EQ(step.endCode, c.step.endCode) << "result " << c.result;
}

INSTANTIATE_TEST_SUITE_P(Rows, NavigationTest,
                         testing::Values(
                             // The settings page.
                             NavigationCase{kSettings, PAGE_BACK, {Action::ShowOsPage, 0}},
                             NavigationCase{kSettings, PAGE_NEXT, {Action::EndWizard, WIZARD_FINISH}},
                             NavigationCase{kSettings, WIZARD_CANCEL, {Action::EndWizard, WIZARD_CANCEL}},
                             NavigationCase{kSettings, kDefaultAccept, {Action::ReopenPage, 0}},
                             NavigationCase{kSettings, kPageNotCreated, {Action::EndWizard, kPageNotCreated}},
                             NavigationCase{kSettings, WIZARD_FINISH, {Action::EndWizard, WIZARD_CANCEL}},
                             NavigationCase{kSettings, kDefaultCancel, {Action::EndWizard, WIZARD_CANCEL}},
                             NavigationCase{kSettings, 0, {Action::EndWizard, WIZARD_CANCEL}},
                             // The test-page prompt.
                             NavigationCase{kPrompt, WIZARD_FINISH, {Action::EndWizard, WIZARD_FINISH}},
                             NavigationCase{kPrompt, PAGE_BACK, {Action::OpenSettingsPage, 0}},
                             NavigationCase{kPrompt, WIZARD_CANCEL, {Action::EndWizard, WIZARD_CANCEL}},
                             NavigationCase{kPrompt, kDefaultAccept, {Action::ReopenPage, 0}},
                             NavigationCase{kPrompt, kPageNotCreated, {Action::EndWizard, kPageNotCreated}},
                             NavigationCase{kPrompt, PAGE_NEXT, {Action::EndWizard, WIZARD_CANCEL}},
                             NavigationCase{kPrompt, 12345, {Action::EndWizard, WIZARD_CANCEL}}));

TEST(WizardExitCode, OnlyAFinishedWizardLeavesTheCodeToTheInstallation) {
    EXPECT_EQ(ExitCodeWithoutInstallation(WIZARD_FINISH), std::nullopt);
    EXPECT_EQ(ExitCodeWithoutInstallation(kPageNotCreated), ExitCode::WizardNotShown);
    for (const std::intptr_t result : {WIZARD_CANCEL, kDefaultAccept, kDefaultCancel, PAGE_NEXT, std::intptr_t{0}}) {
        EXPECT_EQ(ExitCodeWithoutInstallation(result), ExitCode::WizardNotFinished) << "result " << result;
    }
}

struct PortCase {
    std::int32_t selection;
    PortChoice choice;
};

class PortChoiceTest : public testing::TestWithParam<PortCase> {};

TEST_P(PortChoiceTest, SetsSerialBoxesWarningAndRecord) {
    EXPECT_EQ(ChoosePort(GetParam().selection, PortList({})), GetParam().choice)
        << "selection " << GetParam().selection;
}

using Boxes = PortChoice::SerialBoxes;

INSTANTIATE_TEST_SUITE_P(Selections, PortChoiceTest,
                         testing::Values(PortCase{0, {Boxes::Disable, false, true, L"LPT1:"}},
                                         PortCase{2, {Boxes::Disable, false, true, L"LPT3:"}},
                                         PortCase{3, {Boxes::Enable, false, true, L"COM1:"}},
                                         PortCase{6, {Boxes::Enable, false, true, L"COM4:"}},
                                         PortCase{7, {Boxes::Unchanged, true, true, L"USB001"}},
                                         PortCase{-1, {Boxes::Unchanged, false, false, L""}},
                                         PortCase{8, {Boxes::Unchanged, false, false, L""}}));

struct ElevationCase {
    bool fromOptions;
    bool removal;
    std::uint32_t major;
    TokenKind token;
    bool elevated;
    Elevation expected;
};

class ElevationTest : public testing::TestWithParam<ElevationCase> {};

TEST_P(ElevationTest, AnInteractiveRemovalAsksAtItsStartAnInstallationOnceItsPagesAreDone) {
    const ElevationCase& c = GetParam();
    EXPECT_EQ(ElevationFor(c.fromOptions, c.removal, c.major, c.token, c.elevated), c.expected);
}

using T = TokenKind;
using E = Elevation;

INSTANTIATE_TEST_SUITE_P(Runs, ElevationTest,
                         testing::Values(
                             // An administrator's limited token from Vista on.
                             ElevationCase{false, true, 6, T::Limited, false, E::AtStart},
                             ElevationCase{false, false, 10, T::Limited, false, E::AtFinish},
                             // A standard user installs with an administrator's name and password; removes as ever.
                             ElevationCase{false, false, 6, T::Ordinary, false, E::AtFinish},
                             ElevationCase{false, true, 6, T::Ordinary, false, E::None},
                             // The administrators' rights already there: UAC off, or a full token.
                             ElevationCase{false, false, 6, T::Ordinary, true, E::None},
                             ElevationCase{false, false, 6, T::Full, true, E::None},
                             // Before Vista there is nothing to ask for; a run from options never asks.
                             ElevationCase{false, true, 5, T::Limited, false, E::None},
                             ElevationCase{false, false, 5, T::Ordinary, false, E::None},
                             ElevationCase{true, true, 6, T::Limited, false, E::None},
                             ElevationCase{true, false, 10, T::Ordinary, false, E::None}));

// Every exit code, and whether the person at the wizard is told of it (and, without
// administrator rights, that they are needed).
TEST(WizardExitCode, OnlyAnInstallationThatRanAndFailedIsShownToTheUser) {
    const std::pair<ExitCode, bool> rows[] = {
        {ExitCode::Installed, false},
        {ExitCode::WizardNotFinished, false},
        {ExitCode::CommandLineNotUnderstood, false},
        {ExitCode::PrinterSetupMissing, true},
        {ExitCode::PrinterNotCreated, true},
        {ExitCode::RecordFileIncomplete, true},
        {ExitCode::SerialPortNotConfigured, true},
        {ExitCode::WizardNotShown, false},
        {ExitCode::TimeLimitReached, false},
        {ExitCode::RemovalFailed, false},
    };
    static_assert(std::size(rows) == static_cast<std::size_t>(kHighestExitCode) + 1);
    EXPECT_EQ(static_cast<int>(kLastExitCode), kHighestExitCode);
    for (const auto& [code, shown] : rows) {
        EXPECT_EQ(IsFailedInstallation(code), shown) << "exit code " << static_cast<int>(code);
        EXPECT_EQ(NeedsAdministratorHint(code, false), shown) << "exit code " << static_cast<int>(code);
        EXPECT_FALSE(NeedsAdministratorHint(code, true)) << "exit code " << static_cast<int>(code);
    }
}

}  // namespace
