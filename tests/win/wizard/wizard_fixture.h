#pragma once

#include <gtest/gtest.h>

#include <tuple>

#include "core/install_settings.h"
#include "tests/win/wizard/page_script.h"
#include "win/pages/wizard_page.h"
#include "win/platform/os_detection.h"

inline constexpr PageKind kOs = PageKind::Os;
inline constexpr PageKind kSettings = PageKind::Settings;
inline constexpr PageKind kPrompt = PageKind::Prompt;
inline constexpr PageKind kProgress = PageKind::Progress;
inline constexpr PageKind kMessage = PageKind::Message;

// Each test starts with a fresh record, the base name Kiosk1, no language library and
// the running system as detected.
// Steps run on the pages' own thread, so they read the record directly.
class WizardTest : public testing::Test {
public:
    template <class Page>
    INT_PTR RunPage(const Script& script) {
        Page page(context);
        return RunScript(page, script);
    }

protected:
    template <class Page>
    INT_PTR Run(const Script& script) {
        return RunPage<Page>(script);
    }

    InstallSettings settings;
    PageContext context{&settings, L"Kiosk1", LanguageLibrary(), DetectOsIndex()};
};

// Every field of a record, to compare two at once.
inline auto Fields(const InstallSettings& s) {
    return std::tie(s.osIndex, s.reservedValue, s.setAsDefault, s.printerTypeIndex, s.printerName, s.reservedText,
                    s.portIndex, s.baudIndex, s.stopBitsIndex, s.flowControlIndex, s.byteSizeIndex, s.parityIndex,
                    s.printTestPage);
}
