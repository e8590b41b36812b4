#include "screens/restore/RestoreDestinationChoice.h"

#include "app/async/Workers.h"
#include "core/settings/BackupSource.h"
#include "design/button/OLButton.h"
#include "design/controls/OLSegmented.h"
#include "design/layout/SectionLabel.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "screens/restore/RestoreChoiceRows.h"
#include "screens/restore/RestoreTexts.h"

#include <QBoxLayout>

namespace keldra {

namespace {

QCoro::Task<> chooseFolderTask(QPointer<RestoreModel> model) {
    if (!model) {
        co_return;
    }
    auto choosing = model->chooseFolder();
    co_await std::move(choosing);
}

} // namespace

bool fillDestinationChoice(QVBoxLayout* stack, const RestoreDetailSource& source) {
    if (!source.model || !source.model->selection()) {
        return false;
    }
    QWidget* section = detailColumn(10);
    QVBoxLayout* inner = detailStack(section);
    inner->addWidget(new SectionLabel(QStringLiteral("Restore to")));
    QPointer<RestoreModel> model = source.model;
    const bool original = model->destinationIsOriginal();
    const std::optional<std::filesystem::path>& folder = model->destinationFolder();

    auto* first = new DestinationOption(QStringLiteral("Original location"),
                                        QStringLiteral("Where it was on this computer"), original);
    first->setObjectName(QStringLiteral("originalOption"));
    first->setAction([model] {
        if (model) {
            model->setDestinationIsOriginal(true);
        }
    });
    inner->addWidget(first);

    auto* second = new DestinationOption(QStringLiteral("Another folder\u2026"),
                                         folder ? shownName(BackupSource::abbreviatePath(*folder))
                                                : QStringLiteral("Choose where to put it"),
                                         !original);
    second->setObjectName(QStringLiteral("folderOption"));
    second->setAction([model] {
        if (!model) {
            return;
        }
        if (model->destinationFolder()) {
            model->setDestinationIsOriginal(false);
        } else {
            detachTask(chooseFolderTask(model));
        }
    });
    inner->addWidget(second);

    if (!original && folder) {
        auto* change = new OLButton(QStringLiteral("Change folder\u2026"), OLButtonKind::text);
        change->setObjectName(QStringLiteral("changeFolderButton"));
        change->setAction([model] { detachTask(chooseFolderTask(model)); });
        inner->addWidget(change, 0, Qt::AlignLeft);
    }

    auto* conflict = new QWidget;
    auto* row = new QHBoxLayout(conflict);
    row->setContentsMargins(0, 0, 0, 0);
    // The label at the middle of the picker's height.
    row->addWidget(
        detailText(QStringLiteral("If a file already exists"), OLTextStyle::caption, OLColor::textMuted), 0,
        Qt::AlignVCenter);
    row->addStretch(1);
    auto* segmented = new OLSegmentedOf<ConflictPolicy>(
        {{QStringLiteral("Keep both"), ConflictPolicy::keepBoth},
         {QStringLiteral("Replace"), ConflictPolicy::replace}},
        model->conflictPolicy(),
        [model](const ConflictPolicy& policy) {
            if (model) {
                model->setConflictPolicy(policy);
            }
        },
        false, 30);
    segmented->setObjectName(QStringLiteral("conflictControl"));
    row->addWidget(segmented);
    inner->addWidget(conflict);
    stack->addWidget(section);
    return true;
}

} // namespace keldra
