#pragma once

#include "tests/support/QtApp.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace keldra::test {

// One widget application for the whole test program, on the offscreen platform with animations off. It is
// made before the first test and ended after the last, while Qt can still close its windows cleanly.
class OffscreenApplication final : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = new QApplication(argc_, argv_);
        QApplication::setEffectEnabled(Qt::UI_AnimateCombo, false);
        QApplication::setEffectEnabled(Qt::UI_AnimateMenu, false);
        QApplication::setEffectEnabled(Qt::UI_AnimateTooltip, false);
        QApplication::setEffectEnabled(Qt::UI_FadeMenu, false);
        QApplication::setEffectEnabled(Qt::UI_FadeTooltip, false);
    }
    void TearDown() override {
        drainEvents();
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[5] = "test";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

inline ::testing::Environment* const offscreenApplication =
    ::testing::AddGlobalTestEnvironment(new OffscreenApplication);

} // namespace keldra::test
