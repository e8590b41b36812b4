#include "onboarding/settings/AppearanceSettings.h"

#include "app/model/AppModelView.h"
#include "design/controls/OLSegmented.h"
#include "design/controls/StylePicker.h"
#include "design/layout/FormRow.h"
#include "design/layout/OLCard.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/update/Refresh.h"
#include "onboarding/settings/SettingsForm.h"
#include "onboarding/settings/SettingsOptions.h"

#include <QVBoxLayout>

namespace keldra {

AppearanceSettings::AppearanceSettings(AppModelView& app, QWidget* parent) : OLWidget(parent), app_(app) {
    AppModelView* model = &app;
    // Queued on the model: the new style replaces the page holding this pane while its click is running.
    picker_ = new StylePicker(
        app.style(), app.accent(),
        [model](OLStyle style) { afterThisEvent(model, [model, style] { model->persistStyle(style); }); },
        [model](OLAccent accent) {
            afterThisEvent(model, [model, accent] { model->persistAccent(accent); });
        });
    popover_ = new OLSegmentedOf<PopoverStyle>(
        SettingsOptions::popoverStyles(), app.popoverStyle(),
        [model](const PopoverStyle& style) { model->persistPopoverStyle(style); }, false, 34);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(makeFormCard(
        {new FormRow(QStringLiteral("Style"), std::nullopt, true, picker_),
         new FormRow(
             QStringLiteral("Tray popover"), std::nullopt, false,
             makeStack(Qt::Vertical, 10,
                       {popover_, new OLText(QStringLiteral("Style only changes how things look. Your "
                                                            "backups and settings stay the same."),
                                             OLTextStyle::caption, OLColor::textMuted)}))}));

    connectEach(
        &app_,
        {&AppModelView::styleChanged, &AppModelView::accentChanged, &AppModelView::popoverStyleChanged}, this,
        &AppearanceSettings::refresh);
}

void AppearanceSettings::refresh() {
    picker_->setStyleChoice(app_.style());
    picker_->setAccentChoice(app_.accent());
    popover_->setValue(app_.popoverStyle());
}

} // namespace keldra
