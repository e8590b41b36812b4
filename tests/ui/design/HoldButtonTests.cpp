#include "design/button/HoldButton.h"
#include "design/theme/OLColor.h"
#include "tests/ui/support/UiTest.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace keldra {
namespace {

class HoldButtonTest : public testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        button = new HoldButton(QStringLiteral("Hold to pause"), QStringLiteral("Pause backup"),
                                [this] { ++runs; });
        layout->addWidget(button);
        window.resize(320, 60);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // Waits past the hold time without asserting on timing.
    static void waitPastHold() { QTest::qWait(HoldButton::holdMs + 300); }

    QPoint centre() const { return button->rect().center(); }

    QWidget window;
    HoldButton* button = nullptr;
    int runs = 0;
};

TEST_F(HoldButtonTest, AClickNeverRunsTheActionNorAsks) {
    QTest::mouseClick(button, Qt::LeftButton, {}, centre());
    waitPastHold();
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(button->confirmation(), nullptr);
    EXPECT_EQ(button->bandProgress(), 0);
}

TEST_F(HoldButtonTest, AFullHoldRunsTheActionOnceAndClearsTheBand) {
    QTest::mousePress(button, Qt::LeftButton, {}, centre());
    EXPECT_TRUE(button->isHolding());
    ASSERT_TRUE(QTest::qWaitFor([this] { return runs > 0; }, 5000));
    EXPECT_EQ(button->bandProgress(), 0);
    QTest::mouseRelease(button, Qt::LeftButton, {}, centre());
    waitPastHold();
    EXPECT_EQ(runs, 1);
}

TEST_F(HoldButtonTest, MovingMoreThanThirtyPixelsCancels) {
    struct Case {
        int dx;
        int expectedRuns;
    };
    for (const Case& c : {Case{30, 1}, Case{31, 0}}) {
        SCOPED_TRACE(c.dx);
        runs = 0;
        const QPoint start(20, button->height() / 2);
        QTest::mousePress(button, Qt::LeftButton, {}, start);
        QTest::mouseMove(button, start + QPoint(c.dx, 0));
        waitPastHold();
        QTest::mouseRelease(button, Qt::LeftButton, {}, start + QPoint(c.dx, 0));
        EXPECT_EQ(runs, c.expectedRuns);
        EXPECT_EQ(button->bandProgress(), 0);
    }
}

TEST_F(HoldButtonTest, HidingDisablingOrLeavingTheWindowMidHoldCancels) {
    QTest::mousePress(button, Qt::LeftButton, {}, centre());
    button->hide();
    waitPastHold();
    EXPECT_EQ(runs, 0);
    EXPECT_FALSE(button->isHolding());

    button->show();
    QTest::mousePress(button, Qt::LeftButton, {}, centre());
    button->setEnabled(false);
    waitPastHold();
    EXPECT_EQ(runs, 0);

    button->setEnabled(true);
    QTest::mousePress(button, Qt::LeftButton, {}, centre());
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    waitPastHold();
    EXPECT_EQ(runs, 0);
}

TEST_F(HoldButtonTest, ReturnAndSpaceAskAndOnlyTheConfirmingButtonRuns) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
        SCOPED_TRACE(key);
        runs = 0;
        button->setFocus(Qt::TabFocusReason);
        QTest::keyClick(button, key);
        QMessageBox* box = button->confirmation();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), QStringLiteral("Pause backup"));
        QAbstractButton* cancel = nullptr;
        QAbstractButton* confirm = nullptr;
        for (QAbstractButton* choice : box->buttons()) {
            if (box->buttonRole(choice) == QMessageBox::RejectRole)
                cancel = choice;
            if (box->buttonRole(choice) == QMessageBox::DestructiveRole)
                confirm = choice;
        }
        ASSERT_NE(cancel, nullptr);
        ASSERT_NE(confirm, nullptr);
        EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
        EXPECT_EQ(confirm->text(), QStringLiteral("Pause backup"));

        cancel->click();
        EXPECT_TRUE(QTest::qWaitFor([this] { return button->confirmation() == nullptr; }, 2000));
        EXPECT_EQ(runs, 0);

        QTest::keyClick(button, key);
        ASSERT_NE(button->confirmation(), nullptr);
        for (QAbstractButton* choice : button->confirmation()->buttons()) {
            if (choice->text() == QStringLiteral("Pause backup"))
                choice->click();
        }
        EXPECT_TRUE(QTest::qWaitFor([this] { return button->confirmation() == nullptr; }, 2000));
        EXPECT_EQ(runs, 1);
    }
}

TEST_F(HoldButtonTest, AccessiblePressAsksToo) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Hold to pause"));
    ASSERT_NE(accessible->actionInterface(), nullptr);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(QTest::qWaitFor([this] { return button->confirmation() != nullptr; }, 2000));
    EXPECT_EQ(runs, 0);
    button->confirmation()->reject();
}

TEST_F(HoldButtonTest, TheBandIsClippedToTheRoundedShape) {
    button->setBandProgress(1);
    const QImage image = test::grab(button);
    const QColor band =
        test::blend(OLColor::textOnFill.opacity(0.2).qcolor(), OLColor::buttonPrimary.qcolor());
    EXPECT_TRUE(test::near(image.pixelColor(4, button->height() / 2), band));
    // The corner pixel stays outside both the fill and the band.
    EXPECT_FALSE(test::near(image.pixelColor(0, 0), band));
    EXPECT_FALSE(test::near(image.pixelColor(0, 0), OLColor::buttonPrimary.qcolor()));
    button->setBandProgress(0.5);
    const QImage half = test::grab(button);
    EXPECT_TRUE(test::near(half.pixelColor(button->width() / 4, 4), band));
    EXPECT_TRUE(test::near(half.pixelColor(button->width() * 3 / 4, 4), OLColor::buttonPrimary.qcolor()));
}

} // namespace
} // namespace keldra
