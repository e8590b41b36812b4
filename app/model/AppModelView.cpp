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
    statusTurn_.schedule();
}

} // namespace keldra
