#include "onboarding/setup/ChoiceRow.h"

#include "design/shape/ContinuousRect.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace keldra {

namespace {

constexpr double padding = 14;
constexpr double ringSize = 16;
constexpr double ringTop = 2;
constexpr double spacing = 12;
constexpr double radius = 12;

} // namespace

ChoiceRow::ChoiceRow(const QString& title, const QString& subtitle, QWidget* parent)
    : OLAbstractButton(parent), title_(new OLText(title, OLTextStyle::bodyStrong, OLColor::textPrimary)) {
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setText(title);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(static_cast<int>(padding + ringSize + spacing), static_cast<int>(padding),
                            static_cast<int>(padding), static_cast<int>(padding));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(title_);
    if (!subtitle.isEmpty()) {
        texts->addWidget(new OLText(subtitle, OLTextStyle::caption, OLColor::textMuted));
    }
    row->addLayout(texts, 1);
    // Clicks anywhere on the row choose it.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

void ChoiceRow::setSelected(bool selected) {
    if (selected == selected_) {
        return;
    }
    selected_ = selected;
    olAccessibleUpdate(this);
    update();
}

QString ChoiceRow::title() const {
    return title_->text();
}

OLAccessibleDescription ChoiceRow::accessibleDescription() const {
    OLAccessibleDescription description;
    description.role = QAccessible::RadioButton;
    description.name = title();
    description.checkable = true;
    description.checked = selected_;
    description.selected = selected_;
    return description;
}

QRectF ChoiceRow::ringRect() const {
    return {padding, padding + ringTop, ringSize, ringSize};
}

void ChoiceRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    fillContinuousRect(painter, rect(), radius, OLColor::surface.qcolor());
    // The ring is drawn inside its circle: a thick accent band when chosen, a faint hairline otherwise.
    const double stroke = selected_ ? 5 : 1.5;
    const QColor color = selected_ ? OLColor::focusRing.qcolor() : OLColor::borderStrong.qcolor();
    const QRectF ring = ringRect().adjusted(stroke / 2, stroke / 2, -stroke / 2, -stroke / 2);
    painter.setPen(QPen(color, stroke));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(ring);
    if (showsFocusRing()) {
        painter.setPen(QPen(OLColor::focusRing.qcolor(), 2));
        painter.drawPath(continuousRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius));
    }
}

} // namespace keldra
