#include "app/shell/placeholder/TrayPopup.h"

#include "app/shell/placeholder/StatusWidgets.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace keldra {

TrayPopup::TrayPopup(AppModel& model, std::function<void()> openWindow, std::function<void()> quit,
                     QWidget* parent)
    : QWidget(parent, Qt::Popup), summary_(new StatusSummary(model, this)),
      open_(new QPushButton(QStringLiteral("Open Orlivane Keldra"), this)),
      quit_(new QPushButton(QStringLiteral("Quit"), this)) {
    setObjectName(QStringLiteral("trayPopup"));
    setMinimumWidth(320);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open_);
    buttons->addStretch();
    buttons->addWidget(quit_);
    layout->addLayout(buttons);
    connect(open_, &QPushButton::clicked, this, [this, openWindow = std::move(openWindow)] {
        hide();
        openWindow();
    });
    connect(quit_, &QPushButton::clicked, this, [this, quit = std::move(quit)] {
        hide();
        quit();
    });
}

} // namespace keldra
