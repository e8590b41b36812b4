#include "onboarding/auth/AuthTitle.h"

#include "design/text/OLFont.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"

#include <QAccessible>
#include <QLabel>
#include <QVBoxLayout>

namespace keldra {

namespace {

constexpr OLTextStyle signalHeading{
    AuthTitle::signalSize,          OLFontWeight::heavy, 1.2, -3.0 / AuthTitle::signalSize, false, false,
    OLRelativeTextStyle::largeTitle};

} // namespace

AuthTitle::AuthTitle(QString glass, QString signal, std::optional<QString> subtitle, QWidget* parent)
    : OLWidget(parent), glass_(std::move(glass)), signal_(std::move(signal)), heading_(new OLText(this)),
      subtitle_(new QLabel(this)) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);
    stack->addWidget(heading_);
    stack->addWidget(subtitle_);
    heading_->setAccessibleName(glass_);

    // Data-free fixed text, but shown as plain text like everything else; the user may select and copy it.
    subtitle_->setTextFormat(Qt::PlainText);
    subtitle_->setWordWrap(true);
    subtitle_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    subtitle_->setFont(olFont(OLTextStyle::body));
    QPalette palette = subtitle_->palette();
    palette.setColor(QPalette::WindowText, OLColor::textSecondary.qcolor());
    palette.setColor(QPalette::Text, OLColor::textSecondary.qcolor());
    subtitle_->setPalette(palette);
    subtitle_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    setSubtitle(std::move(subtitle));
    AuthTitle::applyTheme(theme());
}

void AuthTitle::setHeading(QString glass, QString signal) {
    glass_ = std::move(glass);
    signal_ = std::move(signal);
    applyTheme(theme());
}

void AuthTitle::setSubtitle(std::optional<QString> subtitle) {
    // No subtitle: no empty row under the heading.
    subtitle_->setVisible(subtitle.has_value());
    subtitle_->setText(subtitle.value_or(QString()));
}

QLabel* AuthTitle::subtitle() const {
    return subtitle_->isHidden() ? nullptr : subtitle_;
}

void AuthTitle::applyTheme(const OLTheme& theme) {
    if (isGlass(theme)) {
        heading_->setText(glass_);
        heading_->setStyle(OLTextStyle::display);
        heading_->setColor(OLColor::textPrimary);
        heading_->setMaxLines(0);
        heading_->setMinimumScale(1);
    } else {
        heading_->setText(signal_);
        heading_->setStyle(signalHeading);
        heading_->setColor(accentColor(theme));
        heading_->setMaxLines(1);
        heading_->setMinimumScale(signalMinimumScale);
    }
    heading_->setAccessibleName(heading_->text());
}

} // namespace keldra
