// Every kit control: Tab reaches it, Space or Return activates it, and a screen reader hears its name and
// value.

#include "design/button/HoldButton.h"
#include "design/button/OLButton.h"
#include "design/button/OLIconButton.h"
#include "design/controls/CodeBoxes.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/OLMenuPicker.h"
#include "design/controls/OLSearchField.h"
#include "design/controls/OLSegmented.h"
#include "design/controls/OLSwitch.h"
#include "design/controls/OLTextField.h"
#include "design/controls/StylePicker.h"
#include "design/orb/KeldraOrb.h"
#include "design/status/StateBanner.h"
#include "tests/ui/kit/KitTest.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace keldra {
namespace {

struct Built {
    QWidget* control;                 // what the row is about
    QWidget* accessible;              // what a screen reader reads (the control or its field)
    std::function<int()> activations; // how often it acted; empty for controls without an action
    QWidget* root = nullptr;          // what holds the control, when it is part of a larger view
};

struct Row {
    const char* name;
    std::function<Built(QWidget* parent, int& count)> build;
    QString accessibleName;
    QString accessibleValue;
};

std::vector<Row> rows() {
    using Options = std::vector<std::pair<QString, int>>;
    return {
        {"segmented",
         [](QWidget* parent, int& count) {
             auto* control = new OLSegmentedOf<int>(
                 Options{{QStringLiteral("Hourly"), 1}, {QStringLiteral("Daily"), 24}}, 24,
                 [&count](const int&) { ++count; }, false, 34, parent);
             control->setAccessibleName(QStringLiteral("Schedule"));
             return Built{control, control, [&count] {
                              return count;
                          }};
         },
         QStringLiteral("Schedule"), QStringLiteral("Daily")},
        {"checkbox",
         [](QWidget* parent, int& count) {
             auto* control = new OLCheckbox(QStringLiteral("Skip caches"), false, {}, parent);
             QObject::connect(control, &QAbstractButton::toggled, control, [&count] { ++count; });
             return Built{control, control, [&count] {
                              return count;
                          }};
         },
         QStringLiteral("Skip caches"), QStringLiteral("Off")},
        {"switch",
         [](QWidget* parent, int& count) {
             auto* control = new OLSwitch(true, QStringLiteral("Back up to drive"), 1, parent);
             QObject::connect(control, &QAbstractButton::toggled, control, [&count] { ++count; });
             return Built{control, control, [&count] {
                              return count;
                          }};
         },
         QStringLiteral("Back up to drive"), QStringLiteral("On")},
        {"menu picker",
         [](QWidget* parent, int& count) {
             auto* control =
                 new OLMenuPickerOf<int>(Options{{QStringLiteral("Every hour"), 1}}, 1, {}, false, parent);
             control->setAccessibleName(QStringLiteral("Schedule"));
             QObject::connect(control->menu(), &QMenu::aboutToShow, control, [&count, control] {
                 ++count;
                 QMetaObject::invokeMethod(control->menu(), &QMenu::hide, Qt::QueuedConnection);
             });
             return Built{control, control, [&count] {
                              return count;
                          }};
         },
         QStringLiteral("Schedule"), QStringLiteral("Every hour")},
        {"code boxes",
         [](QWidget* parent, int&) {
             auto* control = new CodeBoxes(QStringLiteral("12"), {}, parent);
             return Built{control, control, {}};
         },
         QStringLiteral("Six-digit code"), QStringLiteral("12")},
        {"text field",
         [](QWidget* parent, int& count) {
             auto* control = new OLTextField(
                 QStringLiteral("Device name"), QStringLiteral("Studio"), false, false, [&count] { ++count; },
                 parent);
             return Built{control, control->lineEdit(), {}};
         },
         QStringLiteral("Device name"), QStringLiteral("Studio")},
        {"search field",
         [](QWidget* parent, int& count) {
             auto* control = new OLSearchField(
                 QStringLiteral("Search backups"), QStringLiteral("tax"), {}, [&count] { ++count; }, parent);
             return Built{control, control->lineEdit(), {}};
         },
         QStringLiteral("Search backups"), QStringLiteral("tax")},
        {"orb",
         [](QWidget* parent, int& count) {
             auto* control = new KeldraOrb(
                 {BackupHealth::protectedState(), OLTheme{}}, std::nullopt, 120,
                 QStringLiteral("Back up now"), [&count] { ++count; }, parent);
             return Built{control, control, [&count] {
                              return count;
                          }};
         },
         QStringLiteral("Back up now"), QString()},
        {"button",
         [](QWidget* parent, int& count) {
             auto* control = new OLButton(QStringLiteral("Back up now"), OLButtonKind::primary, parent);
             control->setAction([&count] { ++count; });
             return Built{control, control, [&count] {
                              return count;
                          }};
         },
         QStringLiteral("Back up now"), QString()},
        {"icon button",
         [](QWidget* parent, int& count) {
             auto* control =
                 new OLIconButton(QStringLiteral("icon-refresh"), QStringLiteral("Refresh"), 32, parent);
             control->setAction([&count] { ++count; });
             return Built{control, control, [&count] {
                              return count;
                          }};
         },
         QStringLiteral("Refresh"), QString()},
        {"hold button",
         [](QWidget* parent, int& count) {
             auto* control =
                 new HoldButton(QStringLiteral("Hold to pause"), QStringLiteral("Pause backup"), {}, parent);
             // The keyboard opens the confirmation instead of running the action.
             return Built{control, control, [&count, control] {
                              if (control->confirmation() && control->confirmation()->isVisible()) {
                                  control->confirmation()->close();
                                  ++count;
                              }
                              return count;
                          }};
         },
         QStringLiteral("Hold to pause"), QString()},
        {"banner button",
         [](QWidget* parent, int& count) {
             auto* banner = new StateBanner(
                 StatusTone::warning, QStringLiteral("Offline"), QStringLiteral("Waiting."),
                 QStringLiteral("Retry"), [&count] { ++count; }, std::nullopt, {}, {}, parent);
             return Built{banner->actionButton(), banner->actionButton(), [&count] { return count; }, banner};
         },
         QStringLiteral("Retry"), QString()},
        {"style card",
         [](QWidget* parent, int& count) {
             auto* picker = new StylePicker(
                 OLStyle::glass, OLAccent::frost, [&count](OLStyle) { ++count; }, {}, parent);
             QWidget* card = picker->styleCard(OLStyle::glass);
             return Built{card, card, [&count] { return count; }, picker};
         },
         QStringLiteral("Glass style"), QString()},
    };
}

TEST(KitKeyboard, TabReachesEveryControlAndSpaceOrReturnActivatesIt) {
    for (const auto& row : rows()) {
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return}) {
            SCOPED_TRACE(std::string(row.name) + (key == Qt::Key_Space ? " / Space" : " / Return"));
            QWidget window;
            auto* layout = new QVBoxLayout(&window);
            auto* before = new QLineEdit(&window);
            layout->addWidget(before);
            int count = 0;
            const Built built = row.build(&window, count);
            layout->addWidget(built.root ? built.root : built.control);
            test::showActive(window);
            before->setFocus();
            QTest::keyClick(before, Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            ASSERT_NE(focused, nullptr);
            EXPECT_TRUE(focused == built.control || built.control->isAncestorOf(focused));

            EXPECT_EQ(test::accessibleText(built.accessible, QAccessible::Name), row.accessibleName);
            if (key == Qt::Key_Space) {
                EXPECT_EQ(test::accessibleText(built.accessible, QAccessible::Value), row.accessibleValue);
            }

            if (built.activations) {
                QTest::keyClick(focused, key);
                QTest::qWait(1);
                EXPECT_EQ(built.activations(), 1);
            }
        }
    }
}

TEST(KitKeyboard, ReturnInAFieldRunsItsSubmitAction) {
    int submits = 0;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* withSubmit =
        new OLTextField(QStringLiteral("Password"), QStringLiteral("x"), true, false, [&] { ++submits; });
    auto* without = new OLTextField(QStringLiteral("Name"));
    layout->addWidget(withSubmit);
    layout->addWidget(without);
    test::showActive(window);
    QTest::keyClick(withSubmit->lineEdit(), Qt::Key_Return);
    QTest::keyClick(without->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(submits, 1);
    EXPECT_EQ(withSubmit->lineEdit()->echoMode(), QLineEdit::Password);
}

TEST(KitKeyboard, FieldsRingFocusAndSearchKeepsFocusWhenCleared) {
    // Outlives the window, whose teardown still reports focus leaving.
    std::vector<bool> focusChanges;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* field = new OLTextField(QStringLiteral("Name"));
    auto* search = new OLSearchField(QStringLiteral("Search"), {}, QStringLiteral("Ctrl+K"));
    layout->addWidget(field);
    layout->addWidget(search);
    test::showActive(window);

    field->setFocus();
    EXPECT_TRUE(field->isFocused());
    QObject::connect(search, &OLSearchField::focusChanged, search,
                     [&](bool focused) { focusChanges.push_back(focused); });
    search->requestFocus();
    EXPECT_FALSE(field->isFocused());
    EXPECT_EQ(focusChanges, std::vector<bool>{true});

    ASSERT_NE(search->shortcutHint(), nullptr);
    EXPECT_TRUE(search->shortcutHint()->isVisible());
    EXPECT_FALSE(search->clearButton()->isVisible());
    QTest::keyClick(search->lineEdit(), Qt::Key_A);
    EXPECT_FALSE(search->shortcutHint()->isVisible());
    EXPECT_TRUE(search->clearButton()->isVisible());
    EXPECT_EQ(test::accessibleText(search->clearButton(), QAccessible::Name), QStringLiteral("Clear search"));
    QTest::mouseClick(search->clearButton(), Qt::LeftButton);
    EXPECT_EQ(search->text(), QString());
    EXPECT_TRUE(search->isFocused());
    EXPECT_TRUE(search->shortcutHint()->isVisible());
}

} // namespace
} // namespace keldra
