#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "core/install_settings.h"
#include "tests/win/wizard/page_driver.h"
#include "win/pages/page_context.h"

// Each test starts with a fresh record, the base name Kiosk1 and no language library.
class WizardTest : public testing::Test {
protected:
    template <class Page>
    INT_PTR Run(const std::function<void(Driver&)>& script) {
        Page page(context);
        return RunDriven(page, script);
    }

    // The record as the page's thread sees it, once everything posted so far is handled.
    InstallSettings Record(Driver& driver) {
        InstallSettings copy;
        driver.OnUi([&] { copy = settings; });
        return copy;
    }

    InstallSettings settings;
    PageContext context{&settings, L"Kiosk1", LanguageLibrary()};
};
