#pragma once

#include "desktop/KeldraEntry.h"
#include "tests/support/QtApp.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

namespace keldra::test {

// The test program's one application on the xcb platform, prepared as keldra's own. Without a display
// (outside scripts/with-session-services --display) there is none and every test skips.
class DisplayApplication final : public ::testing::Environment {
public:
    static bool available() { return std::getenv("DISPLAY") != nullptr; }

    void SetUp() override {
        if (!available()) {
            return;
        }
        qputenv("QT_QPA_PLATFORM", "xcb");
        app_ = new QApplication(argc_, argv_);
        prepareKeldraApplication(*app_);
    }
    void TearDown() override {
        if (app_ == nullptr) {
            return;
        }
        drainEvents();
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[7] = "keldra";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

inline ::testing::Environment* const displayApplication =
    ::testing::AddGlobalTestEnvironment(new DisplayApplication);

} // namespace keldra::test
