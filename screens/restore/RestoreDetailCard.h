#pragma once
// The Restore screen's detail card: the banners of the last restore and delete, then either the prompt
// with the "Listed from" line, or the selection's header, its versions, where to restore to, what to do
// with existing files, the restore button or progress, and the delete button. It reads the RestoreModel
// and writes straight into it; it is rebuilt (after the event that changed it) when what it shows
// changes, except the progress, which updates in place.

#include "app/model/RestoreModel.h"
#include "screens/restore/RestoreScreenHost.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>

class QVBoxLayout;

namespace keldra {

class OLButton;
class OLProgressBar;
class OLText;

class RestoreDetailCard final : public QWidget {
    Q_OBJECT
public:
    explicit RestoreDetailCard(RestoreScreenHost& host, QWidget* parent = nullptr);

    void setModel(RestoreModel* model);
    void setDeleteError(std::optional<QString> text);
    // Rebuilds after the current event; several changes in a row rebuild once.
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
    void rebuild();
    void addEmptyState(QVBoxLayout* stack);
    void addSelection(QVBoxLayout* stack);
    QWidget* header();
    QWidget* versions();
    QWidget* destination();
    QWidget* actions();
    QWidget* deleteButton();

    QPointer<RestoreScreenHost> host_;
    QPointer<RestoreModel> model_;
    std::optional<QString> deleteError_;
    QVBoxLayout* layout_;
    QWidget* content_ = nullptr;
    bool rebuildPending_ = false;
    QPointer<OLProgressBar> progressBar_;
    QPointer<OLText> progressText_;
};

} // namespace keldra
