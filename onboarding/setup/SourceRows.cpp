#include "onboarding/setup/SourceRows.h"

#include "design/button/OLIconButton.h"
#include "design/icon/OLIcon.h"
#include "design/layout/IconTile.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace keldra {

namespace {

constexpr int padding = 10;
constexpr int spacing = 12;
constexpr double tileSize = 40;
constexpr double boxSize = 18;
constexpr double boxRadius = 5;
constexpr double checkSize = 13;

QHBoxLayout* rowFrame(QWidget* row) {
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(spacing);
    return layout;
}

void paintFrame(QWidget* row, QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    fillContinuousRect(painter, row->rect(), sourceRowRadius(olTheme(row)), OLColor::surface.qcolor());
}

} // namespace

double sourceRowRadius(const OLTheme& theme) {
    return isGlass(theme) ? 16 : 10;
}

SuggestionRow::SuggestionRow(const QString& name, bool on, QWidget* parent)
    : OLAbstractButton(parent), name_(name), on_(on) {
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setText(QStringLiteral("Back up ") + name);
    QHBoxLayout* row = rowFrame(this);
    row->addWidget(new IconTile(QStringLiteral("icon-folder"), std::nullopt, tileSize));
    row->addWidget(new OLText(name, OLTextStyle::bodyStrong, OLColor::textPrimary), 1, Qt::AlignVCenter);
    // Room for the drawn check box at the trailing edge.
    row->addSpacing(static_cast<int>(boxSize));
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

OLAccessibleDescription SuggestionRow::accessibleDescription() const {
    OLAccessibleDescription description;
    description.role = QAccessible::CheckBox;
    description.name = QStringLiteral("Back up ") + name_;
    description.value = on_ ? QStringLiteral("On") : QStringLiteral("Off");
    description.checkable = true;
    description.checked = on_;
    return description;
}

void SuggestionRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintFrame(this, painter);
    const QRectF box(width() - padding - boxSize, (height() - boxSize) / 2, boxSize, boxSize);
    fillContinuousRect(painter, box, boxRadius,
                       on_ ? OLColor::buttonPrimary.qcolor() : OLColor::textPrimary.opacity(0.95).qcolor());
    if (on_) {
        const QRectF check(box.center().x() - checkSize / 2, box.center().y() - checkSize / 2, checkSize,
                           checkSize);
        olDrawIcon(painter, check, QStringLiteral("icon-check"), OLColor::textOnFill.qcolor());
    }
    if (showsFocusRing()) {
        painter.setPen(QPen(OLColor::focusRing.qcolor(), 2));
        painter.drawPath(
            continuousRect(QRectF(rect()).adjusted(1, 1, -1, -1), sourceRowRadius(olTheme(this))));
    }
}

SetupSourceRow::SetupSourceRow(const QString& icon, const QString& name, const QString& path,
                               std::function<void()> remove, QWidget* parent)
    : OLWidget(parent), tile_(new IconTile(icon, std::nullopt, tileSize)),
      name_(new OLText(name, OLTextStyle::bodyStrong, OLColor::textPrimary)),
      path_(new OLText(path, OLTextStyle::caption, OLColor::textMuted)),
      remove_(new OLIconButton(QStringLiteral("icon-close"), QStringLiteral("Remove ") + name, 28)),
      icon_(icon) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    name_->setMaxLines(1);
    path_->setMaxLines(1);
    path_->setElideMode(Qt::ElideMiddle);
    QHBoxLayout* row = rowFrame(this);
    row->addWidget(tile_);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(name_);
    texts->addWidget(path_);
    row->addLayout(texts, 1);
    row->addWidget(remove_);
    remove_->setAction(std::move(remove));
}

QString SetupSourceRow::iconName() const {
    return icon_;
}

void SetupSourceRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintFrame(this, painter);
}

} // namespace keldra
