#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "app/install_settings.h"
#include "pages/wizard_values.h"
#include "tests/win/wizard/page_driver.h"

// Each test starts with a fresh record, the base name Kiosk1 and no language library.
class WizardTest : public testing::Test {
protected:
    void SetUp() override {
        basePrinterName = L"Kiosk1";
        languageLibrary = nullptr;
    }

    template <class Page>
    INT_PTR Run(const std::function<void(Driver&)>& script) {
        Page page;
        page.settings = &settings;
        return RunDriven(page, script);
    }

    // The record as the page's thread sees it, once everything posted so far is handled.
    InstallSettings Record(Driver& driver) {
        InstallSettings copy;
        driver.OnUi([&] { copy = settings; });
        return copy;
    }

    InstallSettings settings;
};
