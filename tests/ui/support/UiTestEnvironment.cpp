// Creates the QApplication for a widget test program: offscreen, animations off, the app's own style.

#include "design/theme/AppStyle.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

QtMessageHandler standardHandler = nullptr;

// The offscreen platform warns whenever a window is sized; that is noise in test logs.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    if (standardHandler != nullptr)
        standardHandler(type, context, message);
}

class UiEnvironment : public testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("KELDRA_ANIMATIONS", "0");
        app_ = std::make_unique<QApplication>(argc_, argv_);
        standardHandler = qInstallMessageHandler(quietHandler);
        keldra::olApplyAppStyle(*app_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "keldra-ui-test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new UiEnvironment);

} // namespace
