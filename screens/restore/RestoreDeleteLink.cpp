#include "screens/restore/RestoreDeleteLink.h"

#include "design/button/OLAbstractButton.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "screens/restore/RestoreTexts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace keldra {

namespace {

constexpr OLTextStyle deleteStyle{12.5,  OLFontWeight::medium,        1.2, 0, false,
                                  false, OLRelativeTextStyle::caption};

class DeleteLink final : public OLAbstractButton {
public:
    explicit DeleteLink(const QString& title, QWidget* parent = nullptr) : OLAbstractButton(parent) {
        setText(title);
        setCursor(Qt::PointingHandCursor);
        setFocusRingOver(true);
    }
    QSize sizeHint() const override {
        const QFontMetricsF metrics(olFont(deleteStyle));
        return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text()))) + 2,
                     static_cast<int>(std::ceil(metrics.height())) + 6);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(olFont(deleteStyle));
        QColor color = OLColor::textError.qcolor();
        if (!isEnabled()) {
            color.setAlphaF(0.45);
        }
        painter.setPen(color);
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
    }
};

} // namespace

bool fillDeleteLink(QVBoxLayout* stack, const RestoreDetailSource& source, std::function<void()> pressed) {
    RestoreModel* model = source.model;
    if (!model || !model->selection()) {
        return false;
    }
    auto* button = new DeleteLink(deleteButtonTitle(
        model->isDeleting(), model->listedSource() ? model->listedSource() : model->source()));
    button->setObjectName(QStringLiteral("deleteButton"));
    button->setEnabled(!model->isDeleting() && !model->isRestoring());
    button->setAction(std::move(pressed));
    stack->addWidget(button);
    return true;
}

} // namespace keldra
