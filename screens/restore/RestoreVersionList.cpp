#include "screens/restore/RestoreVersionList.h"

#include "design/layout/SectionLabel.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "screens/restore/RestoreChoiceRows.h"
#include "screens/restore/RestoreTexts.h"

#include <QVBoxLayout>

namespace keldra {

namespace {

constexpr int maxVersionRows = 30;

} // namespace

bool fillVersionList(QVBoxLayout* stack, const RestoreDetailSource& source) {
    RestoreModel* model = source.model;
    if (!model || !model->selection() || model->selection()->isFolder() ||
        model->selection()->versions.empty()) {
        return false;
    }
    const RestoreNode& node = *model->selection();
    QWidget* section = detailColumn(8);
    QVBoxLayout* inner = detailStack(section);
    auto* label =
        new SectionLabel(QStringLiteral("Versions \u00B7 ") + QString::number(node.versions.size()));
    label->setObjectName(QStringLiteral("versionsLabel"));
    inner->addWidget(label);
    QWidget* rows = detailColumn(0);
    rows->setObjectName(QStringLiteral("versionRows"));
    const std::optional<FlexID>& chosen = model->selectedVersionID();
    const SystemTime now = source.host ? source.host->now() : SystemClock().now();
    const int count = std::min<int>(static_cast<int>(node.versions.size()), maxVersionRows);
    for (int i = 0; i < count; ++i) {
        const RemoteEntry& entry = node.versions[static_cast<std::size_t>(i)];
        const std::int64_t size = entry.file.sizeBytes ? entry.file.sizeBytes->value : 0;
        auto* row = new VersionRow(versionDateText(entry, now).value_or(QStringLiteral("Unknown date")),
                                   byteText(size), i == 0, chosen && *chosen == entry.file.id);
        row->setAction([model = source.model, id = entry.file.id] {
            if (model) {
                model->setSelectedVersionID(id);
            }
        });
        detailStack(rows)->addWidget(row);
    }
    inner->addWidget(rows);
    const int days = source.host ? source.host->versionRetentionDays() : 0;
    inner->addWidget(detailText(QStringLiteral("Older versions are kept for ") + QString::number(days) +
                                    QStringLiteral(" days after a newer one is backed up."),
                                OLTextStyle::caption, OLColor::textMuted, "retentionNote"));
    stack->addWidget(section);
    return true;
}

} // namespace keldra
