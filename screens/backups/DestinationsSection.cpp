#include "screens/backups/DestinationsSection.h"

#include "app/async/Workers.h"
#include "app/model/AppModelView.h"
#include "core/platform/FolderChooser.h"
#include "design/button/OLButton.h"
#include "design/layout/IconTile.h"
#include "design/layout/OLCard.h"
#include "design/layout/OLRule.h"
#include "design/layout/SectionLabel.h"
#include "design/status/StateBanner.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "screens/backups/DriveRow.h"
#include "screens/backups/DriveTexts.h"
#include "screens/common/Confirmation.h"
#include "screens/common/FocusCarry.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace keldra {

namespace {

const QString driveNote = QStringLiteral(
    "Drive backups are encrypted with your Keldra key, free on every plan, and don't use Keldra storage. "
    "Restore from a drive in Restore, or without the app using keldra-drive-restore.");

// The Keldra's own row: where the copies live off-site, how full it is and when it was last used.
class OffsiteRow final : public OLWidget {
public:
    OffsiteRow(AppModelView& app, QWidget* parent) : OLWidget(parent) {
        const OLTheme current = theme();
        const bool glass = isGlass(current);
        setFixedHeight(glass ? 64 : 48);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(glass ? 12 : 0, 0, glass ? 12 : 0, 0);
        layout->setSpacing(12);
        if (glass) {
            layout->addWidget(new IconTile(QStringLiteral("icon-keldra"), OLColor::success, 40, this), 0,
                              Qt::AlignVCenter);
        }
        auto* left = new QVBoxLayout;
        left->setSpacing(2);
        left->addWidget(new OLText(QStringLiteral("Orlivane Keldra"), OLTextStyle::bodyStrong,
                                   OLColor::textPrimary, this));
        auto* where =
            new OLText(QStringLiteral("Backups \u203A ") + QString::fromStdString(app.settings().deviceName) +
                           QStringLiteral(" \u00B7 off-site, encrypted"),
                       OLTextStyle::caption, OLColor::textMuted, this);
        where->setMaxLines(1);
        left->addWidget(where);
        layout->addLayout(left, 1);
        layout->addSpacing(8);
        auto* right = new QVBoxLayout;
        right->setSpacing(2);
        if (const auto usage = offsiteUsageText(app.keldraStatus())) {
            right->addWidget(new OLText(*usage, OLTextStyle::mono, OLColor::textSecondary, this), 0,
                             Qt::AlignRight);
        }
        right->addWidget(new OLText(offsiteLastText(app.lastSuccess(), app.now()), OLTextStyle::caption,
                                    OLColor::textMuted, this),
                         0, Qt::AlignRight);
        layout->addLayout(right);
    }

protected:
    void paintEvent(QPaintEvent*) override { paintDestinationRow(this, theme()); }
};

} // namespace

DestinationsSection::DestinationsSection(AppModelView& app, QWidget* parent) : OLWidget(parent), app_(app) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(10);
    auto* header = new QHBoxLayout;
    heading_ = new SectionLabel(QString(), this);
    header->addWidget(heading_, 0, Qt::AlignVCenter);
    header->addStretch(1);
    add_ = new OLButton(QStringLiteral("Add a backup drive\u2026"), OLButtonKind::secondary, this);
    add_->setIconName(QStringLiteral("icon-drive"));
    connect(add_, &OLButton::clicked, this, &DestinationsSection::chooseDrive);
    header->addWidget(add_, 0, Qt::AlignVCenter);
    layout_->addLayout(header);
    note_ = new OLText(driveNote, OLTextStyle::caption, OLColor::textMuted, this);
    layout_->addWidget(note_);

    connectEach(&app_,
                {&AppModelView::destinationsChanged, &AppModelView::driveStatesChanged,
                 &AppModelView::isRunningChanged, &AppModelView::keldraStatusChanged,
                 &AppModelView::lastSuccessChanged, &AppModelView::settingsChanged},
                this, [this] { rebuildTurn_.schedule(); });
    rebuild();
    lookUpDriveStart();
}

void DestinationsSection::themeChanged(const OLTheme& theme) {
    OLWidget::themeChanged(theme);
    rebuild();
}

void DestinationsSection::rebuild() {
    const std::vector<LocalDestination>& destinations = app_.destinations();
    heading_->setText(QStringLiteral("Destinations \u00B7 ") + QString::number(destinations.size() + 1));
    const FocusCarry focus(list_);
    if (list_) {
        list_->hide();
        list_->deleteLater();
    }
    rows_.clear();

    const bool glass = isGlass(theme());
    auto* rows = new QWidget(this);
    auto* rowsLayout = new QVBoxLayout(rows);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    rowsLayout->setSpacing(8);
    offsite_ = new OffsiteRow(app_, rows);
    rowsLayout->addWidget(offsite_);
    for (const LocalDestination& destination : destinations) {
        const auto found = app_.driveStates().find(destination.id);
        const DriveState state = found == app_.driveStates().end() ? DriveState{} : found->second;
        const std::string id = destination.id;
        auto* row = new DriveRow(
            app_, destination, state, [this, id] { confirmRemoval(id); }, rows);
        rowsLayout->addWidget(row);
        rows_.push_back(row);
    }

    QWidget* list = nullptr;
    if (glass) {
        rows->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        list = new OLCard(12, false, rows, this);
    } else {
        list = new QWidget(this);
        auto* signalLayout = new QVBoxLayout(list);
        signalLayout->setContentsMargins(0, 0, 0, 0);
        signalLayout->setSpacing(0);
        signalLayout->addWidget(new OLRule(list));
        rows->setParent(list);
        signalLayout->addWidget(rows);
    }
    // Below the header and the notice, above the note.
    layout_->insertWidget(layout_->count() - 1, list);
    list_ = list;
    focus.restoreIn(list);
}

void DestinationsSection::showAddError(std::optional<std::string> message) {
    addError_ = std::move(message);
    if (banner_) {
        banner_->hide();
        banner_->deleteLater();
    }
    banner_ = nullptr;
    if (!addError_) {
        return;
    }
    auto* banner = new StateBanner(
        StatusTone::warning, QStringLiteral("Couldn't add that drive"), QString::fromStdString(*addError_),
        std::nullopt, {}, std::nullopt, {},
        [this] { QTimer::singleShot(0, this, [this] { showAddError(std::nullopt); }); }, this);
    layout_->insertWidget(1, banner);
    banner_ = banner;
}

void DestinationsSection::chooseDrive() {
    if (driveStart_) {
        openDriveDialog();
    } else {
        // Looked up since the page opened: the dialog opens as soon as the answer is in.
        dialogWanted_ = true;
        lookUpDriveStart();
    }
}

void DestinationsSection::openDriveDialog() {
    dialogWanted_ = false;
    FolderChoice choice;
    choice.chooseFiles = false;
    choice.multiple = false;
    choice.createFolders = true;
    choice.prompt = "Back up here";
    choice.message =
        "Choose a drive, or a folder on it. A \"Orlivane Keldra Backup\" folder is created inside.";
    choice.startIn = *driveStart_;
    // A drive plugged in meanwhile may have made its mount folder: looked up again for the next time.
    lookUpDriveStart();
    QPointer<DestinationsSection> self(this);
    app_.choosePaths(choice, [self](std::vector<std::filesystem::path> chosen) {
        // Cancelled: nothing changes, an earlier notice included.
        if (!self || chosen.empty()) {
            return;
        }
        detachTask(self->addDrive(std::move(chosen.front())));
    });
}

void DestinationsSection::lookUpDriveStart() {
    if (lookingUp_) {
        return;
    }
    lookingUp_ = true;
    detachTask(lookUpDriveStartTask(QPointer<DestinationsSection>(this), &app_));
}

QCoro::Task<> DestinationsSection::lookUpDriveStartTask(QPointer<DestinationsSection> view,
                                                        AppModelView* app) {
    auto finding = app->driveDialogStart();
    std::filesystem::path start = co_await finding;
    if (!view) {
        co_return;
    }
    view->lookingUp_ = false;
    view->driveStart_ = std::move(start);
    if (view->dialogWanted_) {
        view->openDriveDialog();
    }
}

QCoro::Task<> DestinationsSection::addDrive(std::filesystem::path folder) {
    return addDriveTask(QPointer<DestinationsSection>(this), &app_, std::move(folder));
}

QCoro::Task<> DestinationsSection::addDriveTask(QPointer<DestinationsSection> view, AppModelView* app,
                                                std::filesystem::path folder) {
    auto adding = app->addDestination(std::move(folder));
    std::optional<std::string> error = co_await adding;
    if (!view) {
        co_return;
    }
    view->showAddError(error);
    if (error || app->destinations().empty()) {
        co_return;
    }
    // A drive that is plugged in gets its first copy at once.
    const LocalDestination& added = app->destinations().back();
    const auto state = app->driveStates().find(added.id);
    if (state != app->driveStates().end() && state->second.connected) {
        app->backUpDriveNow(added.id, false);
    }
}

void DestinationsSection::confirmRemoval(const std::string& id) {
    if (dialog_) {
        return;
    }
    const auto& destinations = app_.destinations();
    const auto found = std::find_if(destinations.begin(), destinations.end(),
                                    [&](const LocalDestination& d) { return d.id == id; });
    if (found == destinations.end()) {
        return;
    }
    removing_ = id;
    QPointer<DestinationsSection> self(this);
    dialog_ = openConfirmation(
        this,
        QStringLiteral("Stop backing up to ") + QString::fromStdString(found->name) + QStringLiteral("?"),
        QStringLiteral(
            "The backup folder on the drive is left as it is, so you can still restore from it or add "
            "the drive again later."),
        QStringLiteral("Stop using this drive"), [self] {
            if (self && self->removing_) {
                self->app_.removeDestination(*self->removing_);
            }
        });
    connect(dialog_, &QMessageBox::finished, this, [this] { removing_.reset(); });
}

} // namespace keldra
