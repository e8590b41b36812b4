#pragma once
// The Restore screen's detail card: the banners of the last restore and delete, then either the prompt
// with the "Listed from" line, or the selection's header, its versions, where to restore to, what to do
// with existing files, the restore button or progress, and the delete button. It reads the RestoreModel
// and writes straight into it. Each part is built anew (after the event that changed it) when what it shows
// changes, and only that part; the progress updates in place.

#include "app/model/RestoreModel.h"
#include "screens/restore/RestoreActionBlock.h"
#include "screens/restore/RestoreDetailPart.h"
#include "screens/restore/RestoreScreenHost.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

namespace keldra {

class RestoreDetailCard final : public QWidget {
    Q_OBJECT
public:
    explicit RestoreDetailCard(RestoreScreenHost& host, QWidget* parent = nullptr);

    // Shows `model` and follows its changes.
    void setModel(RestoreModel* model);
    void setDeleteError(std::optional<QString> text);
    // Builds every part anew after the current event; several changes in a row build once.
    void scheduleRebuild();
    // Updates the progress block, if shown.
    void updateProgress();

signals:
    // The delete button was pressed.
    void deleteRequested();
    // The delete error banner was dismissed.
    void deleteErrorDismissed();
    // The content was rebuilt (its height may differ).
    void contentChanged();

private:
    RestoreDetailPart* addPart(std::function<bool(QVBoxLayout*)> fill);
    // Rebuilds `parts` after the current event whenever the model sends `signal`.
    template <class Signal> void follow(Signal signal, std::initializer_list<RestoreDetailPart*> parts);
    bool fillSummaryBanner(QVBoxLayout* stack);
    bool fillDeleteErrorBanner(QVBoxLayout* stack);

    RestoreDetailSource source_;
    std::optional<QString> deleteError_;
    RestoreProgressLine progress_;
    QVBoxLayout* layout_;
    std::vector<RestoreDetailPart*> parts_;
    RestoreDetailPart* summary_;
    RestoreDetailPart* deleteErrorBanner_;
    RestoreDetailPart* emptyPrompt_;
    RestoreDetailPart* header_;
    RestoreDetailPart* versions_;
    RestoreDetailPart* destination_;
    RestoreDetailPart* action_;
    RestoreDetailPart* deleteLink_;
};

} // namespace keldra
