#include "onboarding/setup/FoldersStep.h"

#include "app/model/AppModelView.h"
#include "core/platform/FolderChooser.h"
#include "core/settings/BackupSource.h"
#include "design/button/OLButton.h"
#include "onboarding/auth/AuthTitle.h"
#include "onboarding/common/ReturnRouter.h"
#include "onboarding/common/ScreenParts.h"
#include "onboarding/setup/SourceRows.h"

#include <QDir>
#include <QPointer>
#include <QVBoxLayout>
#include <algorithm>

namespace keldra {

namespace {

std::string suggestionPath(const std::filesystem::path& folder) {
    return standardizedPath(folder).string();
}

QString sourceIcon(const BackupSource& source) {
    if (source.isFile) {
        return QStringLiteral("icon-file");
    }
    return BackupSource::volumeRoot(source) ? QStringLiteral("icon-drive") : QStringLiteral("icon-folder");
}

} // namespace

FoldersStep::FoldersStep(AppModelView& app, std::function<void()> next, QWidget* parent)
    : OLWidget(parent), app_(app), next_(std::move(next)), stack_(new QVBoxLayout(this)), list_(new QWidget),
      add_(new OLButton(QStringLiteral("Add another folder or drive…"), OLButtonKind::secondary)),
      continue_(makeMainButton(QStringLiteral("Continue"))), router_(new ReturnRouter(this)) {
    stack_->setContentsMargins(0, 0, 0, 0);
    stack_->setSpacing(22);
    stack_->addWidget(
        new AuthTitle(QStringLiteral("Choose what to back up"), QStringLiteral("Folders."),
                      QStringLiteral("Only new and changed files upload after the first backup. "
                                     "You can change this any time.")));
    stack_->addWidget(list_);
    add_->setIconName(QStringLiteral("icon-plus"));
    stack_->addWidget(add_, 0, Qt::AlignLeft);
    stack_->addWidget(continue_);

    add_->setAction([this] { addMore(); });
    continue_->setAction([this] {
        if (next_) {
            next_();
        }
    });
    router_->setDefaultButton(continue_);
    connect(&app_, &AppModelView::sourcesChanged, this, &FoldersStep::rebuild);
    rebuild();
}

FolderChoice FoldersStep::sourceChoice() {
    FolderChoice choice;
    choice.chooseFiles = true;
    choice.multiple = true;
    choice.createFolders = false;
    choice.prompt = "Back up";
    choice.message = "Choose folders, files or drives to back up.";
    choice.startIn = QDir::homePath().toStdString();
    return choice;
}

void FoldersStep::addMore() {
    QPointer<AppModelView> model(&app_);
    app_.choosePaths(sourceChoice(), [model](std::vector<std::filesystem::path> chosen) {
        // A cancelled chooser changes nothing.
        if (model && !chosen.empty()) {
            model->addSources(std::move(chosen));
        }
    });
}

void FoldersStep::rebuild() {
    suggestions_.clear();
    sources_.clear();
    auto* list = new QWidget;
    auto* rows = new QVBoxLayout(list);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(8);

    const std::vector<BackupSource>& sources = app_.sources();
    const AppModelView::SuggestedFolders suggested = app_.suggestedFolders();
    std::vector<std::string> suggestedPaths;
    for (std::size_t i = 0; i < suggested.size(); ++i) {
        const std::string path = suggestionPath(suggested[i].second);
        suggestedPaths.push_back(path);
        const bool on = std::any_of(sources.begin(), sources.end(),
                                    [&](const BackupSource& source) { return source.path == path; });
        auto* row = new SuggestionRow(QString::fromStdString(suggested[i].first), on);
        row->setAction([this, i, on] { toggle(i, on); });
        rows->addWidget(row);
        suggestions_.push_back(row);
    }
    for (const BackupSource& source : sources) {
        if (std::find(suggestedPaths.begin(), suggestedPaths.end(), source.path) != suggestedPaths.end()) {
            continue; // shown as its suggestion
        }
        const std::filesystem::path path(source.path);
        const QString name =
            QString::fromStdString(path.filename().empty() ? path.string() : path.filename().string());
        QPointer<AppModelView> model(&app_);
        auto* row =
            new SetupSourceRow(sourceIcon(source), name,
                               QString::fromStdString(BackupSource::abbreviatePath(path)), [model, source] {
                                   if (model) {
                                       model->removeSource(source.id);
                                   }
                               });
        rows->addWidget(row);
        sources_.push_back(row);
    }
    delete stack_->replaceWidget(list_, list);
    list_->hide();
    list_->deleteLater();
    list_ = list;
    continue_->setEnabled(!sources.empty());
}

void FoldersStep::toggle(std::size_t suggestion, bool wasOn) {
    const AppModelView::SuggestedFolders suggested = app_.suggestedFolders();
    if (suggestion >= suggested.size()) {
        return;
    }
    const std::string path = suggestionPath(suggested[suggestion].second);
    if (wasOn) {
        const std::vector<BackupSource>& sources = app_.sources();
        const auto match = std::find_if(sources.begin(), sources.end(),
                                        [&](const BackupSource& source) { return source.path == path; });
        if (match != sources.end()) {
            const std::string id = match->id;
            std::vector<BackupSource> kept;
            for (const BackupSource& source : sources) {
                if (source.id != id) {
                    kept.push_back(source);
                }
            }
            app_.persistSources(std::move(kept));
            return;
        }
    }
    app_.addSources({suggested[suggestion].second});
}

} // namespace keldra
