#include "screens/activity/RunRow.h"

#include "core/events/Formatters.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "screens/activity/RunTexts.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace keldra {

namespace {
constexpr int rowHeight = 48;
constexpr int headerHeight = 38;
constexpr int dotSide = 6;

// The result cell: a status dot before the title.
class StatusDot final : public QWidget {
public:
    StatusDot(const OLRgba& color, QWidget* parent) : QWidget(parent), color_(color) {
        setFixedSize(dotSide, dotSide);
    }
    void setColor(const OLRgba& color) {
        if (!(color_ == color)) {
            color_ = color;
            update();
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color_.qcolor());
        painter.drawEllipse(rect());
    }

private:
    OLRgba color_;
};

void drawBottomRule(QWidget* widget, const OLRgba& color) {
    QPainter painter(widget);
    painter.fillRect(QRect(0, widget->height() - 1, widget->width(), 1), color.qcolor());
}
} // namespace

RunRow::RunRow(const RunRecord& run, bool selected, SystemTime now, std::function<void()> action,
               QWidget* parent)
    : OLWidget(parent), run_(run), now_(now), selected_(selected), action_(std::move(action)) {
    setFixedHeight(rowHeight);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setAccessibleName(QString::fromStdString(formatLogTimestamp(run.startedAt, now)));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 0, 16, 0);
    layout->setSpacing(12);

    auto* startedColumn = new QVBoxLayout;
    startedColumn->setSpacing(1);
    started_ = new OLText(QString::fromStdString(formatLogTimestamp(run.startedAt, now)),
                          OLTextStyle::callout, OLColor::textPrimary, this);
    started_->setMaxLines(1);
    trigger_ =
        new OLText(QString::fromStdString(run.trigger), OLTextStyle::caption, OLColor::textMuted, this);
    trigger_->setMaxLines(1);
    startedColumn->addWidget(started_);
    startedColumn->addWidget(trigger_);
    layout->addLayout(startedColumn, 1);

    auto* resultCell = new QWidget(this);
    resultCell->setFixedWidth(runResultWidth);
    auto* resultLayout = new QHBoxLayout(resultCell);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    resultLayout->setSpacing(8);
    dot_ = new StatusDot(runStatusDotColor(run.status), resultCell);
    resultLayout->addWidget(dot_, 0, Qt::AlignVCenter);
    result_ =
        new OLText(runStatusTitle(run.status), OLTextStyle::callout, OLColor::textSecondary, resultCell);
    result_->setMaxLines(1);
    resultLayout->addWidget(result_, 1, Qt::AlignVCenter);
    layout->addWidget(resultCell);

    uploaded_ = new OLText(runUploadedCell(run), OLTextStyle::mono, OLColor::textSecondary, this);
    uploaded_->setMaxLines(1);
    uploaded_->setFixedWidth(runUploadedWidth);
    uploaded_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(uploaded_);

    took_ = new OLText(runDurationText(run), OLTextStyle::mono, OLColor::textMuted, this);
    took_->setMaxLines(1);
    took_->setFixedWidth(runTookWidth);
    took_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(took_);
}

void RunRow::setRun(const RunRecord& run, SystemTime now) {
    if (run == run_ && now == now_) {
        return;
    }
    run_ = run;
    now_ = now;
    const QString started = QString::fromStdString(formatLogTimestamp(run.startedAt, now));
    setAccessibleName(started);
    started_->setText(started);
    trigger_->setText(QString::fromStdString(run.trigger));
    static_cast<StatusDot*>(dot_)->setColor(runStatusDotColor(run.status));
    result_->setText(runStatusTitle(run.status));
    uploaded_->setText(runUploadedCell(run));
    took_->setText(runDurationText(run));
}

void RunRow::setSelected(bool selected) {
    if (selected_ != selected) {
        selected_ = selected;
        update();
    }
}

int RunRow::startedMinimumWidth() const {
    return std::max(started_->sizeHint().width(), trigger_->sizeHint().width());
}

QString RunRow::startedText() const {
    return started_->text();
}
QString RunRow::resultText() const {
    return result_->text();
}
QString RunRow::uploadedText() const {
    return uploaded_->text();
}
QString RunRow::tookText() const {
    return took_->text();
}

void RunRow::paintEvent(QPaintEvent*) {
    const OLTheme current = theme();
    {
        QPainter painter(this);
        if (selected_) {
            painter.fillRect(rect(), selectionFill(current).qcolor());
        } else if (hovering_) {
            painter.fillRect(rect(), OLColor::surfaceRaised.opacity(0.4).qcolor());
        }
    }
    drawBottomRule(this, OLColor::hairline);
    if (showsFocusRing()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        drawFocusRing(painter, QRectF(rect()), radiusSmall(current));
    }
}

void RunRow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && action_) {
        action_();
        return;
    }
    OLWidget::mouseReleaseEvent(event);
}

void RunRow::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        action_) {
        action_();
        return;
    }
    OLWidget::keyPressEvent(event);
}

void RunRow::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    update();
    OLWidget::enterEvent(event);
}

void RunRow::leaveEvent(QEvent* event) {
    hovering_ = false;
    update();
    OLWidget::leaveEvent(event);
}

RunColumnHeader::RunColumnHeader(QWidget* parent) : OLWidget(parent) {
    setFixedHeight(headerHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 0, 16, 0);
    layout->setSpacing(12);
    const struct {
        const char* title;
        int width;
        Qt::Alignment alignment;
    } columns[] = {{"Started", 0, Qt::AlignLeft},
                   {"Result", runResultWidth, Qt::AlignLeft},
                   {"Uploaded", runUploadedWidth, Qt::AlignRight},
                   {"Took", runTookWidth, Qt::AlignRight}};
    for (const auto& column : columns) {
        auto* label =
            new OLText(QString::fromLatin1(column.title), OLTextStyle::caption, OLColor::textMuted, this);
        label->setMaxLines(1);
        label->setAlignment(column.alignment | Qt::AlignVCenter);
        if (column.width > 0) {
            label->setFixedWidth(column.width);
            layout->addWidget(label, 0, Qt::AlignVCenter);
        } else {
            layout->addWidget(label, 1, Qt::AlignVCenter);
        }
        labels_.push_back(label);
    }
    RunColumnHeader::applyTheme(theme());
}

void RunColumnHeader::applyTheme(const OLTheme& theme) {
    OLTextStyle style = metaTextStyle(theme);
    style.uppercase = !isGlass(theme);
    for (OLText* label : labels_) {
        label->setStyle(style);
    }
}

void RunColumnHeader::paintEvent(QPaintEvent*) {
    drawBottomRule(this, isGlass(theme()) ? OLColor::hairline : OLColor::border);
}

} // namespace keldra
