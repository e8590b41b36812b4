#include "screens/root/ScreenHost.h"

#include "design/motion/OLMotion.h"

#include <QPainter>
#include <QVBoxLayout>

namespace keldra {

namespace {

// The old screen's picture on top of the new one, fading out, then gone.
class FadingPicture : public QWidget {
public:
    FadingPicture(QPixmap picture, const OLAnimationTiming& timing, QWidget* parent)
        : QWidget(parent), picture_(std::move(picture)), opacity_(new OLAnimatedValue(1, false, this)) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        connect(opacity_, &OLAnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
        connect(opacity_, &OLAnimatedValue::finished, this, &QObject::deleteLater);
        opacity_->animateTo(0, timing);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setOpacity(opacity_->value());
        painter.drawPixmap(0, 0, picture_);
    }

private:
    QPixmap picture_;
    OLAnimatedValue* opacity_;
};

} // namespace

ScreenHost::ScreenHost(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void ScreenHost::replace(QWidget* next, std::optional<OLAnimationTiming> fade) {
    QPointer<QWidget> old = screen_;
    QPixmap picture;
    if (old && fade && OLMotion::animationsEnabled() && old->isVisible()) {
        picture = old->grab();
    }
    if (old) {
        layout()->removeWidget(old);
        old->hide();
        old->deleteLater();
    }
    screen_ = next;
    if (next) {
        next->setParent(this);
        layout()->addWidget(next);
        next->show();
    }
    if (!picture.isNull()) {
        auto* overlay = new FadingPicture(std::move(picture), *fade, this);
        overlay->setGeometry(rect());
        overlay->show();
        overlay->raise();
    }
}

} // namespace keldra
