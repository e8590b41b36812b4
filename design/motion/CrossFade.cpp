#include "design/motion/CrossFade.h"

#include "design/motion/OLMotion.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace keldra {

namespace {

class FadingPicture : public QWidget {
public:
    FadingPicture(QPixmap picture, const OLAnimationTiming& timing, QWidget* parent)
        : QWidget(parent), picture_(std::move(picture)), opacity_(new OLAnimatedValue(1, false, this)) {
        setObjectName(QStringLiteral("crossFade"));
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

QWidget* crossFadeFrom(QWidget* content, const OLAnimationTiming& timing, bool decorative) {
    const bool allowed = decorative ? OLMotion::decorativeMotionAllowed() : OLMotion::animationsEnabled();
    if (content == nullptr || content->parentWidget() == nullptr || !content->isVisible() || !allowed ||
        timing.duration <= 0) {
        return nullptr;
    }
    auto* overlay = new FadingPicture(content->grab(), timing, content->parentWidget());
    overlay->setGeometry(content->geometry());
    overlay->show();
    overlay->raise();
    return overlay;
}

} // namespace keldra
