// Settings rows whose control is a button, a switch or the style picker: the row's label stands level with
// the control, in the real window on the fake model, in both styles.

#include "design/button/OLButton.h"
#include "design/controls/StylePicker.h"
#include "design/layout/FormRow.h"
#include "design/text/OLFont.h"
#include "design/text/OLText.h"
#include "gallery/fake/FakeAppModel.h"
#include "gallery/fake/FakeStates.h"
#include "onboarding/settings/SettingsView.h"
#include "screens/root/RootView.h"
#include "screens/shell/MainShell.h"
#include "tests/support/QtApp.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <functional>
#include <gtest/gtest.h>

namespace keldra {
namespace {

// Where, in the row, the control's own line of text sits, or the middle of a control without text.
enum class Level { buttonTitle, middle };

// The label's line (baseline, or the middle of its capitals and small letters) in row coordinates.
double labelLevel(const FormRow& row, Level level) {
    const OLText* label = row.labelText();
    const QFontMetricsF metrics(label->styleFont(), label);
    const double baseline = label->mapTo(&row, QPoint(0, 0)).y() + label->baseline();
    return level == Level::middle ? baseline - (metrics.ascent() - metrics.descent()) / 2 : baseline;
}

// The same line of the control, found from what it draws: a button's title is centred in it.
double controlLevel(const FormRow& row, QWidget* control, Level level) {
    const double top = control->mapTo(&row, QPoint(0, 0)).y();
    if (level == Level::middle)
        return top + control->height() / 2.0;
    const QFontMetricsF title(olFont(OLLiteralFont::buttonTitle), control);
    return top + (control->height() - title.height()) / 2 + title.ascent();
}

FormRow* rowLabelled(QWidget* pane, const QString& label) {
    for (FormRow* row : pane->findChildren<FormRow*>()) {
        if (row->labelText()->text() == label)
            return row;
    }
    return nullptr;
}

TEST(SettingsRows, ALabelStandsLevelWithItsButtonSwitchOrStylePicker) {
    const struct {
        SettingsTab tab;
        const char* label;
        Level level;
        // The control the label lines up with.
        std::function<QWidget*(FormRow&)> control;
    } cases[] = {
        {SettingsTab::encryption, "Unattended backups", Level::middle,
         [](FormRow& row) -> QWidget* {
             return row.content()->findChild<QAbstractButton*>();
         }},
        {SettingsTab::encryption, "Stored key", Level::buttonTitle,
         [](FormRow& row) {
             return row.content();
         }},
        {SettingsTab::encryption, "Lock now", Level::buttonTitle,
         [](FormRow& row) {
             return row.content();
         }},
        {SettingsTab::account, "This computer", Level::buttonTitle,
         [](FormRow& row) {
             return row.content();
         }},
        {SettingsTab::account, "Web Keldra", Level::buttonTitle,
         [](FormRow& row) {
             return row.content();
         }},
        {SettingsTab::appearance, "Style", Level::middle,
         [](FormRow& row) -> QWidget* {
             auto* picker = qobject_cast<StylePicker*>(row.content());
             return picker ? picker->styleCard(OLStyle::glass) : nullptr;
         }},
    };
    for (const OLStyle style : {OLStyle::glass, OLStyle::signal}) {
        FakeAppModel model;
        applyFakeState(model, "ready-protected");
        model.persistStyle(style);
        model.setSection(AppSection::settings);
        RootView root(model);
        root.resize(RootView::minimumWidth, RootView::minimumHeight);
        root.show();
        test::drainEvents();
        auto* shell = qobject_cast<MainShell*>(root.screen());
        ASSERT_NE(shell, nullptr);
        auto* settings = qobject_cast<SettingsView*>(shell->page());
        ASSERT_NE(settings, nullptr);
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << (style == OLStyle::glass ? "glass " : "signal ") << c.label);
            settings->setTab(c.tab);
            test::drainEvents();
            FormRow* row = rowLabelled(settings->pane(), QString::fromUtf8(c.label));
            ASSERT_NE(row, nullptr);
            QWidget* control = c.control(*row);
            ASSERT_NE(control, nullptr);
            ASSERT_TRUE(control->isVisible());
            EXPECT_NEAR(labelLevel(*row, c.level), controlLevel(*row, control, c.level), 1.0);
        }
    }
}

} // namespace
} // namespace keldra
