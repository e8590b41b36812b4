#include "screens/sources/SourcesColumn.h"

#include "app/model/AppModelView.h"
#include "design/button/OLButton.h"
#include "design/layout/IconTile.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/update/Refresh.h"
#include "screens/chrome/Navigation.h"
#include "screens/presentation/ScreenFormats.h"
#include "screens/presentation/SourcePresentation.h"
#include "screens/run/RunPanelText.h"
#include "screens/sources/SourceRow.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace keldra {

namespace {

// A hairline across the card, 4 px clear above and below.
class Divider : public QWidget {
public:
    explicit Divider(QWidget* parent) : QWidget(parent) { setFixedHeight(9); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(0, 4, width(), 1), OLColor::hairline.qcolor());
    }
};

void clear(QVBoxLayout* layout) {
    while (auto* entry = layout->takeAt(0)) {
        if (auto* widget = entry->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete entry;
    }
}

// An icon tile beside two texts: the first on one line, the second on at most `secondLines` (0: as many as
// it needs).
QWidget* infoRow(const QString& icon, std::optional<OLRgba> tint, double tileSize, OLText* first,
                 OLText* second, QWidget* parent, int secondLines = 1) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(new IconTile(icon, tint, tileSize, row), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    first->setParent(row);
    second->setParent(row);
    first->setMaxLines(1);
    second->setMaxLines(secondLines);
    texts->addWidget(first);
    texts->addWidget(second);
    layout->addLayout(texts, 1);
    return row;
}

QWidget* contentWidget() {
    auto* content = new QWidget;
    // The rows, dividers and "Manage" span the card however wide the page makes it.
    content->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    return content;
}

} // namespace

SourcesColumn::SourcesColumn(AppModelView& app, QWidget* parent)
    : OLCard(20, false, contentWidget(), parent), app_(app),
      count_(new OLText({}, OLTextStyle::headline, OLColor::textMuted)),
      manage_(new OLButton(QStringLiteral("Manage"), OLButtonKind::text)), sources_(new QVBoxLayout),
      drives_(new QVBoxLayout), schedule_(new OLText({}, OLTextStyle::bodyStrong, OLColor::textPrimary)),
      nextRun_(new OLText({}, OLTextStyle::caption, OLColor::textMuted)),
      folder_(new OLText({}, OLTextStyle::bodyStrong, OLColor::textPrimary)),
      folderNote_(
          new OLText(QStringLiteral("This computer's folder in your Keldra. File names are encrypted."),
                     OLTextStyle::caption, OLColor::textMuted)) {
    auto* stack = static_cast<QVBoxLayout*>(content()->layout());
    auto* header = new QHBoxLayout;
    header->addWidget(new OLText(QStringLiteral("Backup sets"), OLTextStyle::headline, OLColor::textPrimary),
                      0, Qt::AlignBaseline);
    header->addWidget(count_, 0, Qt::AlignBaseline);
    header->addStretch(1);
    header->addWidget(manage_, 0, Qt::AlignVCenter);
    manage_->setAction([this] { goToSection(app_, AppSection::backups); });
    stack->addLayout(header);

    sources_->setContentsMargins(0, 0, 0, 0);
    sources_->setSpacing(8);
    stack->addLayout(sources_);
    drives_->setContentsMargins(0, 0, 0, 0);
    drives_->setSpacing(14);
    stack->addLayout(drives_);
    stack->addWidget(new Divider(content()));
    stack->addWidget(infoRow(QStringLiteral("icon-clock"), std::nullopt, 40, schedule_, nextRun_, content()));
    stack->addWidget(
        infoRow(QStringLiteral("icon-laptop"), std::nullopt, 40, folder_, folderNote_, content(), 0));

    connect(&app_, &AppModelView::sourcesChanged, this, &SourcesColumn::rebuildSources);
    connectEach(&app_, {&AppModelView::destinationsChanged, &AppModelView::driveStatesChanged}, this,
                &SourcesColumn::rebuildDrives);
    connectEach(
        &app_,
        {&AppModelView::settingsChanged, &AppModelView::pausedByUserChanged, &AppModelView::statusChanged},
        this, &SourcesColumn::refreshInfo);
    rebuildSources();
    rebuildDrives();
    refreshInfo();
}

void SourcesColumn::rebuildSources() {
    clear(sources_);
    rows_.clear();
    addFolders_ = nullptr;
    const auto& sources = app_.sources();
    count_->setText(QStringLiteral("· ") + QString::number(sources.size()));
    if (sources.empty()) {
        auto* invitation =
            new OLText(QStringLiteral("Nothing selected yet. Choose the folders you want to protect."),
                       OLTextStyle::callout, OLColor::textSecondary, content());
        sources_->addWidget(invitation);
        sources_->addSpacing(14 - sources_->spacing());
        addFolders_ = new OLButton(QStringLiteral("Add folders"), OLButtonKind::primary, content());
        addFolders_->setIconName(QStringLiteral("icon-plus"));
        addFolders_->setAction([this] { goToSection(app_, AppSection::backups); });
        sources_->addWidget(addFolders_, 0, Qt::AlignLeft);
        return;
    }
    for (const auto& source : sources) {
        auto* row = new SourceRow(app_, source, true, {}, content());
        sources_->addWidget(row);
        rows_.push_back(row);
    }
}

void SourcesColumn::rebuildDrives() {
    clear(drives_);
    driveLines_.clear();
    const auto& destinations = app_.destinations();
    if (destinations.empty()) {
        return;
    }
    drives_->addWidget(new Divider(content()));
    const auto now = app_.now();
    for (const auto& destination : destinations) {
        const auto found = app_.driveStates().find(destination.id);
        const DriveState state = found != app_.driveStates().end() ? found->second : DriveState{};
        const DriveLine line = driveSecondLine(state, now);
        auto* name = new OLText(shownName(destination.name), OLTextStyle::bodyStrong, OLColor::textPrimary);
        auto* second = new OLText(shownName(line.text), OLTextStyle::caption,
                                  line.warning ? OLColor::toneWarning : OLColor::textMuted);
        drives_->addWidget(infoRow(QStringLiteral("icon-drive"),
                                   state.connected ? std::nullopt : std::optional(OLColor::textFaint), 36,
                                   name, second, content()));
        driveLines_.push_back(second);
    }
}

void SourcesColumn::refreshInfo() {
    schedule_->setText(qtext(app_.settings().schedule.summary()));
    nextRun_->setText(nextRunLine(app_, app_.now()));
    folder_->setText(QStringLiteral("Backups › ") + shownName(app_.settings().deviceName));
}

} // namespace keldra
