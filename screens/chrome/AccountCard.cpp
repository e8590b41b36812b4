#include "screens/chrome/AccountCard.h"

#include "app/model/AppModelView.h"
#include "design/controls/OLProgressBar.h"
#include "design/icon/OLIcon.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "design/update/Refresh.h"
#include "screens/chrome/Navigation.h"
#include "screens/presentation/ScreenFormats.h"
#include "screens/presentation/StoragePresentation.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace keldra {

namespace {

// The avatar: the person icon centred on a raised circle.
class Avatar : public QWidget {
public:
    explicit Avatar(QWidget* parent) : QWidget(parent) {
        setFixedSize(static_cast<int>(OLSize::sm), static_cast<int>(OLSize::sm));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(OLColor::surfaceRaised.qcolor());
        painter.drawEllipse(QRectF(rect()));
        const QRectF icon(QPointF(8, 8), QSizeF(16, 16));
        olDrawIcon(painter, icon, QStringLiteral("icon-account-person"), OLColor::textSecondary.qcolor());
    }
};

QString subtitleOf(const AppModelView& app) {
    if (const auto& account = app.account()) {
        if (account->planName && !account->planName->empty()) {
            return qtext(*account->planName);
        }
        if (account->email && !account->email->empty()) {
            return qtext(*account->email);
        }
    }
    return QStringLiteral("Keldra");
}

} // namespace

AccountCard::AccountCard(AppModelView& app, QWidget* parent)
    : PlainButton(parent), app_(app),
      subtitle_(new OLText({}, OLTextStyle::caption, OLColor::textSecondary, this)),
      storage_(new QWidget(this)),
      bar_(new OLProgressBar(0, OLColor::toneWarning, 4, QStringLiteral("Progress"), storage_)),
      storageText_(new OLText({}, OLTextStyle::mono, OLColor::textMuted, storage_)) {
    setText(QStringLiteral("Account and storage"));
    setAccessibleName(QStringLiteral("Account and storage"));
    subtitle_->setMaxLines(1);

    auto* head = new QHBoxLayout;
    head->setSpacing(10);
    head->addWidget(new Avatar(this), 0, Qt::AlignVCenter);
    auto* names = new QVBoxLayout;
    names->setSpacing(1);
    names->addWidget(
        new OLText(QStringLiteral("Account"), OLTextStyle::bodyStrong, OLColor::textPrimary, this));
    names->addWidget(subtitle_);
    head->addLayout(names, 1);

    auto* storage = new QVBoxLayout(storage_);
    storage->setContentsMargins(0, 0, 0, 0);
    storage->setSpacing(5);
    storage->addWidget(bar_);
    storage->addWidget(storageText_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addLayout(head);
    layout->addWidget(storage_);

    setAction([this] { goToSection(app_, AppSection::settings); });
    connectEach(&app_, {&AppModelView::accountChanged, &AppModelView::keldraStatusChanged}, this,
                &AccountCard::refresh);
    refresh();
}

OLProgressBar* AccountCard::storageBar() const {
    return storage_->isHidden() ? nullptr : bar_;
}

void AccountCard::refresh() {
    subtitle_->setText(subtitleOf(app_));
    const auto& status = app_.keldraStatus();
    const auto fraction = storageFraction(status);
    storage_->setVisible(fraction.has_value());
    if (fraction) {
        bar_->setFraction(*fraction);
        bar_->setTint(storageTint(status, olTheme(this)));
        storageText_->setText(usedOfQuotaText(status->usedBytes.value, status->quotaBytes.value));
    }
}

bool AccountCard::event(QEvent* event) {
    if (event->type() == OLThemeChangeEvent::eventType()) {
        refresh();
    }
    return PlainButton::event(event);
}

void AccountCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto shape = continuousRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius(olTheme(this)));
    painter.fillPath(shape, OLColor::surface.qcolor());
    painter.setPen(QPen(OLColor::hairline.qcolor(), 1));
    painter.drawPath(shape);
}

} // namespace keldra
