#include "app/model/AppModelView.h"

#include <QDir>

namespace keldra {

AppModelView::AppModelView(QObject* parent) : QObject(parent) {}

AppModelView::~AppModelView() = default;

AppModelView::SuggestedFolders AppModelView::suggestedFolders() const {
    const std::filesystem::path home = QDir::homePath().toStdString();
    return {
        {"Documents", home / "Documents"}, {"Desktop", home / "Desktop"}, {"Pictures", home / "Pictures"}};
}

void AppModelView::announce(void (AppModelView::*signal)()) {
    (this->*signal)();
    scheduleStatus();
}

void AppModelView::scheduleStatus() {
    if (statusPending_) {
        return;
    }
    statusPending_ = true;
    // Queued to this object: it never fires after the model is gone.
    QMetaObject::invokeMethod(
        this,
        [this] {
            statusPending_ = false;
            emit statusChanged();
        },
        Qt::QueuedConnection);
}

} // namespace keldra
