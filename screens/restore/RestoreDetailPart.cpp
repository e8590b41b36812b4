#include "screens/restore/RestoreDetailPart.h"

#include "design/text/OLText.h"

#include <QTimer>
#include <QVBoxLayout>

namespace keldra {

RestoreDetailPart::RestoreDetailPart(std::function<bool(QVBoxLayout*)> fill, QWidget* parent)
    : QWidget(parent), fill_(std::move(fill)), layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
}

void RestoreDetailPart::scheduleRefresh() {
    if (pending_) {
        return;
    }
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        refreshNow();
    });
}

void RestoreDetailPart::refreshNow() {
    if (content_) {
        // A button of the old content may be running the click that led here.
        content_->hide();
        content_->deleteLater();
    }
    content_ = new QWidget;
    auto* stack = new QVBoxLayout(content_);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    const bool shown = fill_(stack);
    layout_->addWidget(content_);
    setVisible(shown);
    emit contentChanged();
}

OLText* detailText(const QString& value, const OLTextStyle& style, const OLRgba& color, const char* name) {
    auto* label = new OLText(value, style, color);
    if (name) {
        label->setObjectName(QString::fromLatin1(name));
    }
    return label;
}

QWidget* detailColumn(int spacing) {
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return widget;
}

QVBoxLayout* detailStack(QWidget* column) {
    return static_cast<QVBoxLayout*>(column->layout());
}

} // namespace keldra
