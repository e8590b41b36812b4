#include "design/layout/FormRow.h"

#include "design/layout/FirstBaseline.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QSpacerItem>
#include <QVBoxLayout>
#include <cmath>

namespace keldra {

namespace {

constexpr int labelColumnWidth = 220;

} // namespace

FormRow::FormRow(const QString& label, std::optional<QString> detail, bool showDivider, QWidget* content,
                 QWidget* parent)
    : OLWidget(parent), label_(new OLText(label, OLTextStyle::bodyStrong, OLColor::textPrimary, this)),
      content_(content), showDivider_(showDivider),
      labelOffset_(new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Fixed)),
      contentOffset_(new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Fixed)) {
    auto* labelColumn = new QVBoxLayout;
    labelColumn->setContentsMargins(0, 0, 0, 0);
    labelColumn->setSpacing(3);
    labelColumn->addSpacerItem(labelOffset_);
    labelColumn->addWidget(label_);
    if (detail) {
        detail_ = new OLText(*detail, OLTextStyle::caption, OLColor::textMuted, this);
        labelColumn->addWidget(detail_);
    }
    labelColumn->addStretch(1);
    auto* labelBox = new QWidget(this);
    labelBox->setFixedWidth(labelColumnWidth);
    labelBox->setLayout(labelColumn);
    label_->setParent(labelBox);
    if (detail_)
        detail_->setParent(labelBox);

    auto* contentColumn = new QVBoxLayout;
    contentColumn->setContentsMargins(0, 0, 0, 0);
    contentColumn->setSpacing(0);
    contentColumn->addSpacerItem(contentOffset_);
    // A control that wants the width takes the rest of the row; any other sits at the leading edge.
    const bool stretches = content_->sizePolicy().horizontalPolicy() & QSizePolicy::ExpandFlag;
    contentColumn->addWidget(content_, 0, stretches ? Qt::Alignment() : Qt::AlignLeft);
    contentColumn->addStretch(1);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 14, 0, showDivider_ ? 15 : 14);
    row->setSpacing(16);
    row->addWidget(labelBox, 0, Qt::AlignTop);
    row->addLayout(contentColumn, 1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    FormRow::applyTheme(theme());
}

void FormRow::applyTheme(const OLTheme& theme) {
    const bool glass = isGlass(theme);
    label_->setStyle(glass ? OLTextStyle::bodyStrong : OLTextStyle::eyebrow);
    label_->setColor(glass ? OLColor::textPrimary : OLColor::textMuted);
    alignBaselines();
}

// The label's and the content's first baselines meet: whichever sits higher moves down.
void FormRow::alignBaselines() {
    const double label = label_->baseline();
    const double content = firstBaseline(content_, QFontMetricsF(label_->styleFont(), label_));
    const int labelShift = static_cast<int>(std::round(std::max(0.0, content - label)));
    const int contentShift = static_cast<int>(std::round(std::max(0.0, label - content)));
    if (labelOffset_->sizeHint().height() == labelShift &&
        contentOffset_->sizeHint().height() == contentShift)
        return;
    labelOffset_->changeSize(0, labelShift, QSizePolicy::Fixed, QSizePolicy::Fixed);
    contentOffset_->changeSize(0, contentShift, QSizePolicy::Fixed, QSizePolicy::Fixed);
    labelOffset_->invalidate();
    contentOffset_->invalidate();
    // The label column keeps its own size: without this the label box stays at its old height and the
    // shifted label is cut off at the bottom.
    label_->parentWidget()->layout()->invalidate();
    layout()->invalidate();
}

bool FormRow::event(QEvent* event) {
    const bool result = OLWidget::event(event);
    switch (event->type()) {
    case QEvent::LayoutRequest:
    case QEvent::Resize:
        alignBaselines();
        break;
    default:
        break;
    }
    return result;
}

void FormRow::paintEvent(QPaintEvent*) {
    if (!showDivider_)
        return;
    QPainter p(this);
    p.fillRect(QRectF(0, height() - 1, width(), 1), OLColor::hairline.qcolor());
}

} // namespace keldra
