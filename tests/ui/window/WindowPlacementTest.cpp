#include "desktop/WindowPlacement.h"

#include "core/seams/KeyValueStore.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace keldra {
namespace {

// A desktop of two screens side by side: "Left" 1920×1080 (primary) and "Right" 1280×1024.
class TwoScreens : public testing::Environment {
public:
    void SetUp() override {
        dir_ = std::make_unique<test::TempDir>();
        const auto config = *dir_ / "screens.json";
        std::ofstream(config) << R"({"screens": [
            {"name": "Left", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 1},
            {"name": "Right", "x": 1920, "y": 0, "width": 1280, "height": 1024, "logicalDpi": 96, "dpr": 1}]})";
        qputenv("QT_QPA_PLATFORM",
                QByteArray("offscreen:configfile=") + QByteArray::fromStdString(config.string()));
        qputenv("KELDRA_ANIMATIONS", "0");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override {
        app_.reset();
        dir_.reset();
    }

private:
    std::unique_ptr<test::TempDir> dir_;
    int argc_ = 1;
    char name_[24] = "keldra-window-test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] testing::Environment* const environment = testing::AddGlobalTestEnvironment(new TwoScreens);

const QSize minimum(1000, 640);
const QSize fallback(1200, 760);

// One run of the application: a window restored from the user defaults in the config home, which keeps its
// placement when it hides.
struct AppRun {
    explicit AppRun(const std::filesystem::path& configHome)
        : defaults(configHome / "orlivane-keldra" / "defaults.json", logger) {
        window.setMinimumSize(minimum);
        keepWindowPlacement(window, defaults, fallback);
        window.show();
        QApplication::processEvents();
    }
    void quit() { window.hide(); }

    test::RecordingLogger logger;
    FileKeyValueStore defaults;
    QWidget window;
};

QRect centredOnLeft(QSize size) {
    QRect rect(QPoint(0, 0), size);
    rect.moveCenter(QRect(0, 0, 1920, 1080).center());
    return rect;
}

TEST(WindowPlacement, TheScreensAreThere) {
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    EXPECT_EQ(QGuiApplication::primaryScreen()->name(), QStringLiteral("Left"));
}

TEST(WindowPlacement, SizePlaceAndScreenComeBack) {
    test::TempDir home;
    {
        AppRun first(home.path());
        EXPECT_EQ(first.window.geometry(), centredOnLeft(fallback));
        first.window.setGeometry(QRect(2000, 100, 1100, 700));
        QApplication::processEvents();
        first.quit();
    }
    AppRun second(home.path());
    EXPECT_EQ(second.window.geometry(), QRect(2000, 100, 1100, 700));
    EXPECT_EQ(second.window.screen()->name(), QStringLiteral("Right"));
    EXPECT_FALSE(second.window.isMaximized());
}

TEST(WindowPlacement, MaximisedComesBackWithItsNormalSize) {
    test::TempDir home;
    {
        AppRun first(home.path());
        first.window.setGeometry(QRect(100, 80, 1050, 700));
        first.window.showMaximized();
        QApplication::processEvents();
        first.quit();
    }
    AppRun second(home.path());
    EXPECT_TRUE(second.window.isMaximized());
    second.window.showNormal();
    QApplication::processEvents();
    EXPECT_EQ(second.window.geometry().size(), QSize(1050, 700));
}

TEST(WindowPlacement, AStoredPlaceOffEveryScreenComesBackCentred) {
    test::TempDir home;
    {
        test::RecordingLogger logger;
        FileKeyValueStore defaults(home / "orlivane-keldra" / "defaults.json", logger);
        WindowPlacement placement;
        placement.geometry = QRect(5000, 3000, 1100, 700);
        placement.screen = QStringLiteral("Gone");
        defaults.setValue(WindowPlacement::key, placement.toJson());
    }
    AppRun run(home.path());
    EXPECT_EQ(run.window.geometry(), centredOnLeft({1100, 700}));
}

TEST(WindowPlacement, StoredPlacesAreClampedOrCentred) {
    const struct {
        const char* name;
        QRect saved;
        QRect restored;
    } cases[] = {
        {"off every screen: centred on the primary", QRect(5000, 3000, 1100, 700),
         centredOnLeft({1100, 700})},
        {"above every screen: centred", QRect(200, -900, 1100, 700), centredOnLeft({1100, 700})},
        {"too small: the minimum", QRect(100, 100, 300, 200), QRect(100, 100, 1000, 640)},
        {"larger than its screen: the screen's area", QRect(1950, 10, 1500, 1200),
         QRect(1950, 10, 1280, 1024)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WindowPlacement placement;
        placement.geometry = c.saved;
        placement.screen = QStringLiteral("Gone");
        // Through the stored form, as a later run reads it.
        EXPECT_EQ(restoredGeometry(WindowPlacement::fromJson(placement.toJson()), minimum, fallback),
                  c.restored);
    }
}

TEST(WindowPlacement, DamagedValuesGiveTheDefault) {
    const nlohmann::json cases[] = {
        "text",
        nlohmann::json::object(),
        {{"x", 10}, {"y", 10}, {"width", 0}, {"height", 700}},
        {{"x", 10}, {"y", 10}, {"width", "wide"}, {"height", 700}},
        {{"x", 10}, {"y", 10}, {"width", 1e12}, {"height", 700}},
    };
    for (const auto& value : cases) {
        SCOPED_TRACE(value.dump());
        EXPECT_FALSE(WindowPlacement::fromJson(value).has_value());
        test::TempDir home;
        {
            test::RecordingLogger logger;
            FileKeyValueStore defaults(home / "orlivane-keldra" / "defaults.json", logger);
            defaults.setValue(WindowPlacement::key, value);
        }
        AppRun run(home.path());
        EXPECT_EQ(run.window.geometry(), centredOnLeft(fallback));
    }
}

} // namespace
} // namespace keldra
