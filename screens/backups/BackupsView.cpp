#include "screens/backups/BackupsView.h"

#include "app/model/AppModelView.h"
#include "core/platform/FolderChooser.h"
#include "design/button/OLButton.h"
#include "design/layout/FormRow.h"
#include "design/layout/OLCard.h"
#include "design/layout/OLRule.h"
#include "design/layout/SectionLabel.h"
#include "design/status/StateBanner.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "onboarding/setup/FoldersStep.h"
#include "screens/backups/BackupsTexts.h"
#include "screens/backups/DestinationsSection.h"
#include "screens/common/Confirmation.h"
#include "screens/common/FocusCarry.h"
#include "screens/common/TransparentScroll.h"
#include "screens/presentation/SourcePresentation.h"
#include "screens/shell/BannerSlot.h"
#include "screens/shell/PageHeader.h"
#include "screens/sources/SourceRow.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace keldra {

namespace {

const QString emptyMessage = QStringLiteral("Add the folders you want protected. Documents, Desktop and "
                                            "Pictures are a good start. External drives work "
                                            "too: if one is unplugged, it's skipped and nothing is removed.");

} // namespace

BackupsView::BackupsView(AppModelView& app, QWidget* parent) : OLWidget(parent), app_(app) {
    setAcceptDrops(true);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    add_ = new OLButton(QStringLiteral("Add folders or files\u2026"), OLButtonKind::primary, this);
    add_->setIconName(QStringLiteral("icon-plus"));
    connect(add_, &OLButton::clicked, this, &BackupsView::chooseSources);
    page->addWidget(new PageHeader(QStringLiteral("Backups"), add_, this));

    // Made inside the page so that what it builds reads the page's theme from the start.
    auto* content = new QWidget(this);
    stack_ = new QVBoxLayout(content);
    stack_->setContentsMargins(32, 0, 32, 32);
    stack_->setSpacing(24);
    stack_->addWidget(new BannerSlot(app_, content));

    auto* sources = new QWidget(content);
    sourcesLayout_ = new QVBoxLayout(sources);
    sourcesLayout_->setContentsMargins(0, 0, 0, 0);
    sourcesLayout_->setSpacing(10);
    sourcesHeading_ = new SectionLabel(QString(), sources);
    sourcesLayout_->addWidget(sourcesHeading_);
    stack_->addWidget(sources);

    destinations_ = new DestinationsSection(app_, content);
    stack_->addWidget(destinations_);

    auto* settings = new QWidget(this);
    auto* settingsLayout = new QVBoxLayout(settings);
    settingsLayout->setContentsMargins(0, 0, 0, 0);
    settingsLayout->setSpacing(0);
    folder_ = new OLText(QString(), OLTextStyle::mono, OLColor::textPrimary);
    settingsLayout->addWidget(
        new FormRow(QStringLiteral("In your Keldra"),
                    QStringLiteral("Folder names are plain text on the server, so they're kept "
                                   "generic. Each file's real path is encrypted in its name."),
                    true, folder_, settings));
    auto* schedule = new QWidget(this);
    auto* scheduleLayout = new QHBoxLayout(schedule);
    scheduleLayout->setContentsMargins(0, 0, 0, 0);
    scheduleLayout->setSpacing(12);
    schedule_ = new OLText(QString(), OLTextStyle::callout, OLColor::textSecondary, schedule);
    scheduleLayout->addWidget(schedule_, 0, Qt::AlignVCenter);
    change_ = new OLButton(QStringLiteral("Change"), OLButtonKind::text, schedule);
    change_->setFixedHeight(34);
    connect(change_, &OLButton::clicked, this, [this] {
        if (app_.section() != AppSection::settings) {
            app_.setSection(AppSection::settings);
        }
    });
    scheduleLayout->addWidget(change_, 0, Qt::AlignVCenter);
    scheduleLayout->addStretch(1);
    settingsLayout->addWidget(
        new FormRow(QStringLiteral("Schedule"), std::nullopt, true, schedule, settings));
    skipped_ = new OLText(QString(), OLTextStyle::callout, OLColor::textSecondary);
    settingsLayout->addWidget(
        new FormRow(QStringLiteral("Skipped automatically"), std::nullopt, false, skipped_, settings));
    settings->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    stack_->addWidget(new OLCard(20, false, settings, content));
    stack_->addStretch(1);

    page->addWidget(new TransparentScroll(content, this), 1);

    connectEach(&app_,
                {&AppModelView::sourcesChanged, &AppModelView::settingsChanged,
                 &AppModelView::unavailableSourcesChanged, &AppModelView::indexFiguresChanged},
                this, [this] { refreshTurn_.schedule(); });
    refresh();
}

std::vector<OLButton*> BackupsView::suggestionButtons() const {
    std::vector<OLButton*> buttons;
    if (suggestions_) {
        for (OLButton* button : suggestions_->findChildren<OLButton*>()) {
            buttons.push_back(button);
        }
    }
    return buttons;
}

void BackupsView::themeChanged(const OLTheme& theme) {
    OLWidget::themeChanged(theme);
    rebuildSources();
}

void BackupsView::refresh() {
    rebuildSuggestions();
    rebuildSources();
    updateSettingsCard();
}

void BackupsView::rebuildSuggestions() {
    if (suggestions_) {
        suggestions_->hide();
        suggestions_->deleteLater();
    }
    suggestions_ = nullptr;
    const auto open = openSuggestions(app_.suggestedFolders(), app_.sources());
    if (open.empty()) {
        return;
    }
    auto* group = new QWidget(this);
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(new SectionLabel(QStringLiteral("Suggested"), group));
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    for (const auto& [name, folder] : open) {
        auto* button = new OLButton(QStringLiteral("Add ") + QString::fromStdString(name),
                                    OLButtonKind::secondary, group);
        button->setIconName(QStringLiteral("icon-folder"));
        connect(button, &OLButton::clicked, this,
                [this, folder = folder] { app_.addSources(std::vector<std::filesystem::path>{folder}); });
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    // After the banner slot (and the drop notice when it shows).
    stack_->insertWidget(dropBanner_ ? 2 : 1, group);
    suggestions_ = group;
}

void BackupsView::rebuildSources() {
    const std::vector<BackupSource>& sources = app_.sources();
    sourcesHeading_->setText(QStringLiteral("Backing up \u00B7 ") + QString::number(sources.size()));
    const FocusCarry focus(sourceList_);
    if (sourceList_) {
        sourceList_->hide();
        sourceList_->deleteLater();
    }
    sourceList_ = nullptr;
    empty_ = nullptr;
    sourceRows_.clear();

    QWidget* list = nullptr;
    if (sources.empty()) {
        auto* content = new QWidget(this);
        auto* layout = new QVBoxLayout(content);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        layout->addWidget(new OLText(QStringLiteral("Nothing selected yet"), OLTextStyle::headline,
                                     OLColor::textPrimary, content));
        layout->addWidget(new OLText(emptyMessage, OLTextStyle::callout, OLColor::textSecondary, content));
        content->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        list = new OLCard(20, false, content);
        empty_ = list;
    } else {
        const bool glass = isGlass(theme());
        auto* rows = new QWidget(this);
        auto* layout = new QVBoxLayout(rows);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(glass ? 8 : 0);
        if (!glass) {
            layout->addWidget(new OLRule(rows));
        }
        for (const BackupSource& source : sources) {
            const std::string id = source.id;
            QWidget* row = new SourceRow(
                app_, source, false, [this, id] { confirmStop(id); }, rows);
            layout->addWidget(row);
            sourceRows_.push_back(row);
        }
        rows->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        list = glass ? static_cast<QWidget*>(new OLCard(12, false, rows)) : rows;
    }
    sourcesLayout_->addWidget(list);
    sourceList_ = list;
    focus.restoreIn(list);
}

void BackupsView::updateSettingsCard() {
    const BackupSettings& settings = app_.settings();
    folder_->setText(QStringLiteral("Backups \u203A ") + QString::fromStdString(settings.deviceName));
    schedule_->setText(QString::fromStdString(settings.schedule.summary()));
    skipped_->setText(skippedText(settings));
}

void BackupsView::chooseSources() {
    // The same picker as the set-up's folders step.
    const FolderChoice choice = FoldersStep::sourceChoice();
    QPointer<BackupsView> self(this);
    app_.choosePaths(choice, [self](std::vector<std::filesystem::path> chosen) {
        if (self && !chosen.empty()) {
            self->app_.addSources(chosen);
        }
    });
}

void BackupsView::confirmStop(const std::string& id) {
    if (dialog_) {
        return;
    }
    const auto& sources = app_.sources();
    const auto found = std::find_if(sources.begin(), sources.end(),
                                    [&](const BackupSource& source) { return source.id == id; });
    if (found == sources.end()) {
        return;
    }
    removing_ = id;
    QPointer<BackupsView> self(this);
    dialog_ = openConfirmation(
        this,
        QStringLiteral("Stop backing up ") + QString::fromStdString(sourceName(*found)) + QStringLiteral("?"),
        QStringLiteral(
            "Files already in your Keldra stay there and can still be restored. Delete them from the "
            "Restore screen if you don't need them."),
        QStringLiteral("Stop backing up"), [self] {
            if (self && self->removing_) {
                self->app_.removeSource(*self->removing_);
            }
        });
    connect(dialog_, &QMessageBox::finished, this, [this] { removing_.reset(); });
}

void BackupsView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void BackupsView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void BackupsView::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls()) {
        return;
    }
    event->acceptProposedAction();
    const DroppedItems items = splitDroppedUrls(event->mimeData()->urls());
    showDropBanner(items.refused > 0);
    if (!items.local.empty()) {
        app_.addSources(items.local);
    }
}

void BackupsView::showDropBanner(bool shown) {
    if (dropBanner_) {
        dropBanner_->hide();
        dropBanner_->deleteLater();
    }
    dropBanner_ = nullptr;
    if (!shown) {
        return;
    }
    auto* banner = new StateBanner(
        StatusTone::warning, QStringLiteral("Some items weren't added"),
        QStringLiteral(
            "Only files and folders on this computer can be backed up. Links and network locations were "
            "left out."),
        std::nullopt, {}, std::nullopt, {},
        [this] { QTimer::singleShot(0, this, [this] { showDropBanner(false); }); });
    stack_->insertWidget(1, banner);
    dropBanner_ = banner;
}

} // namespace keldra
