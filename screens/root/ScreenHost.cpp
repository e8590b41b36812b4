#include "screens/root/ScreenHost.h"

#include "design/motion/CrossFade.h"

#include <QVBoxLayout>

namespace keldra {

ScreenHost::ScreenHost(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void ScreenHost::replace(QWidget* next, std::optional<OLAnimationTiming> fade) {
    QPointer<QWidget> old = screen_;
    QWidget* fading = fade ? crossFadeFrom(old, *fade, false) : nullptr;
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
    if (fading) {
        fading->raise();
    }
}

} // namespace keldra
