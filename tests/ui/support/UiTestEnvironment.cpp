// Creates the QApplication for a widget test program: offscreen, animations off, the app's own style, and
// figures in the English number format the tests write them in, whatever the machine's locale.

#include "app/model/NumberLocale.h"
#include "design/theme/AppStyle.h"
#include "gallery/OffscreenSession.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

class UiEnvironment : public testing::Environment {
public:
    void SetUp() override {
        keldra::gallery::prepareOffscreen();
        app_ = std::make_unique<QApplication>(argc_, argv_);
        keldra::gallery::quietOffscreenWarnings();
        keldra::olApplyAppStyle(*app_);
        keldra::installNumberFormat(QLocale(QLocale::English, QLocale::UnitedStates));
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
