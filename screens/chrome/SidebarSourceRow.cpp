#include "screens/chrome/SidebarSourceRow.h"

#include "app/model/AppModelView.h"
#include "design/icon/OLIcon.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "design/update/Refresh.h"
#include "screens/chrome/Navigation.h"
#include "screens/presentation/ScreenFormats.h"
#include "screens/presentation/SourcePresentation.h"

#include <QHBoxLayout>

namespace keldra {

SidebarSourceRow::SidebarSourceRow(AppModelView& app, BackupSource source, QWidget* parent)
    : PlainButton(parent), app_(app), source_(std::move(source)),
      icon_(new OLIcon(qtext(sourceIconName(source_)), 14, this)),
      name_(new OLText(qtext(sourceName(source_)), OLTextStyle::callout, OLColor::textPrimary, this)),
      count_(new OLText({}, OLTextStyle::mono, OLColor::textMuted, this)) {
    setText(name_->text());
    setFixedHeight(30);
    name_->setMaxLines(1);
    count_->setMaxLines(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 0, 10, 0);
    layout->setSpacing(10);
    layout->addWidget(icon_, 0, Qt::AlignVCenter);
    layout->addWidget(name_, 1, Qt::AlignVCenter);
    layout->addSpacing(4);
    layout->addWidget(count_, 0, Qt::AlignVCenter);
    setAction([this] { goToSection(app_, AppSection::backups); });
    connectEach(&app_, {&AppModelView::indexFiguresChanged, &AppModelView::unavailableSourcesChanged}, this,
                &SidebarSourceRow::refresh);
    refresh();
}

void SidebarSourceRow::refresh() {
    const bool unavailable = app_.unavailableSources().contains(source_.id);
    const OLRgba tone = unavailable ? OLColor::toneWarning : accentColor(olTheme(this));
    icon_->setColor(tone);
    count_->setText(unavailable ? QStringLiteral("off")
                                : keldra::countText(app_.sourceStats(source_.id).count));
    count_->setColor(unavailable ? OLColor::toneWarning : OLColor::textMuted);
}

bool SidebarSourceRow::event(QEvent* event) {
    if (event->type() == OLThemeChangeEvent::eventType()) {
        refresh();
    }
    return PlainButton::event(event);
}

} // namespace keldra
