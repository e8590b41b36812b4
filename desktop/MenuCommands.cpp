#include "desktop/MenuCommands.h"

#include "app/model/AppModel.h"
#include "screens/shell/SectionNames.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace keldra {

MenuCommands::MenuCommands(QMenuBar& bar, AppModel& model, std::function<void()> quit)
    : QObject(&bar), model_(&model) {
    QMenu* file = bar.addMenu(QStringLiteral("File"));
    quit_ = file->addAction(QStringLiteral("Quit"));
    quit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit_, &QAction::triggered, this, [quit = std::move(quit)] { quit(); });

    QMenu* backup = bar.addMenu(QStringLiteral("Backup"));
    backUpNow_ = backup->addAction(QStringLiteral("Back up now"));
    backUpNow_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(backUpNow_, &QAction::triggered, this, [this] {
        if (model_ && model_->canBackUpNow()) {
            model_->perform(PrimaryAction::backUpNow);
        }
    });
    pauseOrResume_ = backup->addAction(QStringLiteral("Pause backups"));
    pauseOrResume_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    connect(pauseOrResume_, &QAction::triggered, this, [this] {
        if (model_ && model_->phase() == AppPhase::ready) {
            model_->perform(model_->pausedByUser() ? PrimaryAction::resume : PrimaryAction::pause);
        }
    });
    backup->addSeparator();
    lock_ = backup->addAction(QStringLiteral("Lock Keldra"));
    lock_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    connect(lock_, &QAction::triggered, this, [this] {
        if (model_ && model_->keldraKey()) {
            model_->lock();
        }
    });

    QMenu* go = bar.addMenu(QStringLiteral("Go"));
    for (std::size_t i = 0; i < allSections.size(); ++i) {
        const AppSection section = allSections[i];
        QAction* item = go->addAction(sectionTitle(section));
        item->setShortcut(sectionShortcut(section));
        connect(item, &QAction::triggered, this, [this, section] {
            if (model_ && model_->phase() == AppPhase::ready) {
                model_->setSection(section);
            }
        });
        sections_[i] = item;
    }
    go->addSeparator();
    search_ = go->addAction(QStringLiteral("Search backed-up files"));
    search_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    connect(search_, &QAction::triggered, this, [this] {
        if (model_ && model_->phase() == AppPhase::ready) {
            model_->requestSearchFocus();
        }
    });

    connect(&model, &AppModel::statusChanged, this, &MenuCommands::update);
    update();
}

QAction* MenuCommands::section(AppSection section) const {
    for (std::size_t i = 0; i < allSections.size(); ++i) {
        if (allSections[i] == section) {
            return sections_[i];
        }
    }
    return nullptr;
}

void MenuCommands::update() {
    if (!model_) {
        return;
    }
    const bool ready = model_->phase() == AppPhase::ready;
    backUpNow_->setEnabled(model_->canBackUpNow());
    pauseOrResume_->setText(model_->pausedByUser() ? QStringLiteral("Resume backups")
                                                   : QStringLiteral("Pause backups"));
    pauseOrResume_->setEnabled(ready);
    lock_->setEnabled(model_->keldraKey().has_value());
    for (QAction* item : sections_) {
        item->setEnabled(ready);
    }
    search_->setEnabled(ready);
}

} // namespace keldra
