#include "design/status/StateBanner.h"

#include "design/button/OLButton.h"
#include "design/health/HealthPresentation.h"
#include "design/icon/OLIcon.h"
#include "design/layout/WrapRow.h"
#include "design/shape/ContinuousRect.h"
#include "design/status/ToneColors.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace keldra {

namespace {

constexpr OLTextStyle titleStyle{15, OLFontWeight::semibold, 1.2, 0, false, false, OLRelativeTextStyle::body};
constexpr double closeIconSize = 14;

// The close button: a bare icon, read as "Dismiss".
class DismissButton : public OLAbstractButton {
public:
    explicit DismissButton(QWidget* parent) : OLAbstractButton(parent) {
        setAccessibleName(StateBanner::tr("Dismiss"));
        setToolTip(StateBanner::tr("Dismiss"));
        const int side = static_cast<int>(closeIconSize) + 4;
        setFixedSize(side, side);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        olDrawIcon(p, QRectF(2, 2, closeIconSize, closeIconSize), QStringLiteral("icon-close"),
                   OLColor::textMuted.qcolor());
        if (showsFocusRing())
            drawFocusRing(p, rect(), 4);
    }
};

} // namespace

StateBanner::StateBanner(StatusTone tone, const QString& title, const QString& message,
                         std::optional<QString> actionTitle, std::function<void()> action,
                         std::optional<QString> secondaryTitle, std::function<void()> secondary,
                         std::function<void()> onDismiss, QWidget* parent)
    : OLWidget(parent), tone_(tone), title_(new OLText(title, titleStyle, OLColor::textPrimary, this)),
      message_(new OLText(message, OLTextStyle::caption, OLColor::textSecondary, this)) {
    auto* icon = new OLIcon(
        tone_ == StatusTone::secure ? QStringLiteral("icon-check") : QStringLiteral("icon-alert"), 20, this);
    icon->setColor(toneColor(tone_));

    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(3);
    texts->addWidget(title_);
    texts->addWidget(message_);
    if (actionTitle || secondaryTitle) {
        // The two actions go one under the other where the banner is too narrow for both: never cut.
        auto* buttons = new WrapRow(16, 4, false, this);
        buttons->setContentsMargins(0, 4, 0, 0);
        buttonRow_ = buttons;
        // A title without its closure shows no button.
        if (actionTitle && action) {
            actionButton_ = new OLButton(*actionTitle, OLButtonKind::text, buttonRow_);
            actionButton_->setAction(std::move(action));
            buttons->addWidget(actionButton_);
        }
        if (secondaryTitle && secondary) {
            secondaryButton_ = new OLButton(*secondaryTitle, OLButtonKind::text, buttonRow_);
            secondaryButton_->setAction(std::move(secondary));
            buttons->addWidget(secondaryButton_);
        }
        texts->addWidget(buttonRow_);
    }

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 14, 16, 14);
    row->setSpacing(12);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    if (onDismiss) {
        auto* dismiss = new DismissButton(this);
        dismiss->setAction(std::move(onDismiss));
        dismissButton_ = dismiss;
        row->addWidget(dismiss, 0, Qt::AlignTop);
    }
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void StateBanner::paintEvent(QPaintEvent*) {
    const double r = radius(theme());
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    fillContinuousRect(p, rect(), r, toneTintFill(tone_).qcolor());
    strokeInside(p, rect(), r, toneColor(tone_).opacity(0.3).qcolor(), 1);
}

} // namespace keldra
