#include "screens/backups/DriveRow.h"

#include "app/model/AppModelView.h"
#include "design/button/OLButton.h"
#include "design/button/OLIconButton.h"
#include "design/controls/OLSwitch.h"
#include "design/layout/IconTile.h"
#include "design/shape/ContinuousRect.h"
#include "design/status/StatusChip.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "screens/backups/DriveTexts.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

namespace keldra {

void paintDestinationRow(QWidget* row, const OLTheme& theme) {
    QPainter painter(row);
    if (isGlass(theme)) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(continuousRect(QRectF(row->rect()), radius(theme)),
                         OLColor::background.opacity(0.5).qcolor());
    } else {
        painter.fillRect(QRect(0, row->height() - 1, row->width(), 1), OLColor::hairline.qcolor());
    }
}

DriveRow::DriveRow(AppModelView& app, LocalDestination destination, DriveState state,
                   std::function<void()> onRemove, QWidget* parent)
    : OLWidget(parent), app_(app), destination_(std::move(destination)), state_(std::move(state)) {
    const OLTheme current = theme();
    const bool glass = isGlass(current);
    const QString name = QString::fromStdString(destination_.name);
    const std::string id = destination_.id;

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(glass ? 12 : 0, 8, glass ? 12 : 0, 8);
    layout->setSpacing(12);
    setMinimumHeight(glass ? 64 : 48);
    if (glass) {
        layout->addWidget(
            new IconTile(QStringLiteral("icon-drive"),
                         state_.connected ? std::nullopt : std::optional<OLRgba>(OLColor::textFaint), 40,
                         this),
            0, Qt::AlignVCenter);
    }

    auto* left = new QVBoxLayout;
    left->setSpacing(2);
    auto* title = new QHBoxLayout;
    title->setSpacing(8);
    auto* nameText = new OLText(name, OLTextStyle::bodyStrong, OLColor::textPrimary, this);
    nameText->setMaxLines(1);
    title->addWidget(nameText, 0, Qt::AlignVCenter);
    chip_ = new StatusChip(state_.connected ? QStringLiteral("Connected") : QStringLiteral("Not connected"),
                           state_.connected ? StatusTone::secure : StatusTone::info, true, false, this);
    title->addWidget(chip_, 0, Qt::AlignVCenter);
    title->addStretch(1);
    left->addLayout(title);
    status_ = new OLText(driveStatusLine(destination_, state_, app_.now()), OLTextStyle::caption,
                         state_.problem ? OLColor::toneWarning : OLColor::textMuted, this);
    status_->setMaxLines(2);
    left->addWidget(status_);
    if (state_.needsReview) {
        copyAnyway_ = new OLButton(QStringLiteral("Copy anyway"), OLButtonKind::text, this);
        copyAnyway_->setFixedHeight(34);
        // While a run is going the model would refuse the copy.
        copyAnyway_->setEnabled(!app_.isRunning());
        connect(copyAnyway_, &OLButton::clicked, this, [this, id] { app_.backUpDriveNow(id, true); });
        left->addWidget(copyAnyway_, 0, Qt::AlignLeft);
    }
    layout->addLayout(left, 1);
    layout->addSpacing(8);

    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    figures_ = new OLText(driveFiguresText(state_), OLTextStyle::mono, OLColor::textSecondary, this);
    figures_->setMaxLines(1);
    figures_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    right->addWidget(figures_, 0, Qt::AlignRight);
    if (const auto freeText = driveFreeText(state_)) {
        free_ = new OLText(*freeText, OLTextStyle::caption, OLColor::textMuted, this);
        free_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        right->addWidget(free_, 0, Qt::AlignRight);
    }
    layout->addLayout(right);

    switch_ = new OLSwitch(destination_.enabled, QStringLiteral("Back up to ") + name, 0.75, this);
    switch_->setFixedSize(42, 26);
    connect(switch_, &OLSwitch::clicked, this, [this, id](bool on) { app_.setDestinationEnabled(id, on); });
    layout->addWidget(switch_, 0, Qt::AlignVCenter);

    if (state_.connected && destination_.enabled) {
        copyNow_ = new OLIconButton(QStringLiteral("icon-upload"),
                                    QStringLiteral("Copy to ") + name + QStringLiteral(" now"), 30, this);
        copyNow_->setEnabled(!app_.isRunning());
        connect(copyNow_, &OLIconButton::clicked, this, [this, id] { app_.backUpDriveNow(id, false); });
        layout->addWidget(copyNow_, 0, Qt::AlignVCenter);
    }
    remove_ = new OLIconButton(QStringLiteral("icon-trash"), QStringLiteral("Stop using ") + name, 30, this);
    connect(remove_, &OLIconButton::clicked, this, [onRemove = std::move(onRemove)] {
        if (onRemove) {
            onRemove();
        }
    });
    layout->addWidget(remove_, 0, Qt::AlignVCenter);
}

QMenu* DriveRow::makeMenu(QWidget* parent) const {
    auto* menu = new QMenu(parent);
    // The mounted flag stands for "its backup folder has a path"; the model finds the path off this thread.
    if (state_.connected) {
        AppModelView* app = &app_;
        const std::string id = destination_.id;
        QObject::connect(menu->addAction(QStringLiteral("Show backup folder in Files")), &QAction::triggered,
                         menu, [app, id] { app->revealDriveFolder(id); });
    }
    return menu;
}

void DriveRow::paintEvent(QPaintEvent*) {
    paintDestinationRow(this, theme());
}

void DriveRow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = makeMenu(this);
    if (menu->isEmpty()) {
        delete menu;
        return;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace keldra
