#include "design/controls/CodeBoxes.h"

#include "tests/ui/kit/KitTest.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace keldra {
namespace {

struct CodeFixture {
    QWidget window;
    CodeBoxes* boxes;
    QLineEdit* elsewhere;
    int completions = 0;

    explicit CodeFixture(const QString& code = {}) {
        auto* layout = new QVBoxLayout(&window);
        boxes = new CodeBoxes(code, [this] { ++completions; });
        elsewhere = new QLineEdit;
        layout->addWidget(boxes);
        layout->addWidget(elsewhere);
        test::showActive(window);
    }
};

// Key presses carrying each character's text, as a keyboard of any layout sends them.
void type(QWidget* target, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &release);
    }
}

TEST(CodeBoxes, TypedTextKeepsDecimalDigitsAsAscii) {
    const struct {
        QString typed;
        QString code;
        int completions;
    } cases[] = {
        {QStringLiteral("123-456"), QStringLiteral("123456"), 1},
        {QStringLiteral("ab c"), QString(), 0},
        {QStringLiteral("12 3x"), QStringLiteral("123"), 0},
        {QStringLiteral("1234567"), QStringLiteral("123456"), 2}, // six, then a seventh: called again
        {QStringLiteral("²"), QString(), 0},
        {QStringLiteral("٣"), QStringLiteral("3"), 0},
        {QStringLiteral("１"), QStringLiteral("1"), 0},
        {QStringLiteral("१२३४५६"), QStringLiteral("123456"), 1},
        {QStringLiteral("²²²²²²"), QString(), 0},
    };
    for (const auto& c : cases) {
        CodeFixture f;
        type(f.boxes, c.typed);
        EXPECT_EQ(f.boxes->code(), c.code) << c.typed.toStdString();
        EXPECT_EQ(f.completions, c.completions) << c.typed.toStdString();
    }
}

TEST(CodeBoxes, PasteAndInputMethodTextPassTheSameFilter) {
    CodeFixture f;
    QGuiApplication::clipboard()->setText(QStringLiteral("123-456"));
    QTest::keySequence(f.boxes, QKeySequence::Paste);
    EXPECT_EQ(f.boxes->code(), QStringLiteral("123456"));
    EXPECT_EQ(f.completions, 1);

    CodeFixture g;
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("9８7"));
    QApplication::sendEvent(g.boxes, &composed);
    EXPECT_EQ(g.boxes->code(), QStringLiteral("987"));
}

TEST(CodeBoxes, BackspaceRemovesTheLastDigitWithoutCompleting) {
    CodeFixture f(QStringLiteral("123456"));
    QTest::keyClick(f.boxes, Qt::Key_Backspace);
    EXPECT_EQ(f.boxes->code(), QStringLiteral("12345"));
    EXPECT_EQ(f.completions, 0);
    QTest::keyClick(f.boxes, Qt::Key_6);
    EXPECT_EQ(f.completions, 1);
}

TEST(CodeBoxes, TheNextBoxIsHighlightedOnlyWithFocus) {
    const struct {
        QString code;
        int active;
    } cases[] = {{QString(), 0}, {QStringLiteral("123"), 3}, {QStringLiteral("123456"), 5}};
    for (const auto& c : cases) {
        CodeFixture f(c.code);
        // The boxes take focus as they come on screen.
        EXPECT_TRUE(f.boxes->hasFocus());
        EXPECT_EQ(f.boxes->activeBox(), c.active);
        f.elsewhere->setFocus();
        EXPECT_EQ(f.boxes->activeBox(), -1);
        QTest::mouseClick(f.boxes, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(f.boxes->activeBox(), c.active);
    }
}

TEST(CodeBoxes, ReadsAsOneSixDigitCodeField) {
    CodeFixture f(QStringLiteral("12"));
    EXPECT_EQ(test::accessibleText(f.boxes, QAccessible::Name), QStringLiteral("Six-digit code"));
    EXPECT_EQ(test::accessibleText(f.boxes, QAccessible::Value), QStringLiteral("12"));
}

} // namespace
} // namespace keldra
