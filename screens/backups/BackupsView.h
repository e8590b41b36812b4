#pragma once
// The Backups page: what is backed up and where it goes. The header's "Add folders or files…", one-click
// suggestions for the usual home folders, the sources with a confirmation before one is stopped, the
// destinations, and a card saying where the backups live in the Keldra, when they run and what is skipped.
// Files and folders dropped anywhere on the page are added in one call; links and network places are left
// out with a notice.

#include "design/status/StateBanner.h"
#include "design/theme/OLWidget.h"
#include "design/update/Refresh.h"

#include <QMessageBox>
#include <QPointer>
#include <optional>
#include <string>

class QVBoxLayout;

namespace keldra {

class AppModelView;
class DestinationsSection;
class OLButton;
class OLText;
class SectionLabel;

class BackupsView : public OLWidget {
    Q_OBJECT
public:
    explicit BackupsView(AppModelView& app, QWidget* parent = nullptr);

    OLButton* addButton() const { return add_; }
    // The suggestion buttons shown now ("Add Documents", …), none when every suggestion is a source.
    std::vector<OLButton*> suggestionButtons() const;
    SectionLabel* sourcesHeading() const { return sourcesHeading_; }
    // The source rows shown now, in the model's order.
    const std::vector<QWidget*>& sourceRows() const { return sourceRows_; }
    // "Nothing selected yet", while there are no sources.
    QWidget* emptyCard() const { return empty_; }
    OLText* skippedLabel() const { return skipped_; }
    OLText* folderLabel() const { return folder_; }
    OLText* scheduleLabel() const { return schedule_; }
    OLButton* changeButton() const { return change_; }
    DestinationsSection* destinations() const { return destinations_; }
    // The notice of a drop that left items out; none when there is none.
    StateBanner* dropBanner() const { return dropBanner_; }
    QMessageBox* stopDialog() const { return dialog_; }
    const std::optional<std::string>& removing() const { return removing_; }

    // Opens the source dialog (the header button's action).
    void chooseSources();
    // Opens the stop confirmation for the source `id` (a row's remove action).
    void confirmStop(const std::string& id);

protected:
    void themeChanged(const OLTheme& theme) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void refresh();
    void rebuildSuggestions();
    void rebuildSources();
    void updateSettingsCard();
    void showDropBanner(bool shown);

    AppModelView& app_;
    std::optional<std::string> removing_;
    OLButton* add_;
    QVBoxLayout* stack_;
    QPointer<QWidget> suggestions_;
    SectionLabel* sourcesHeading_;
    QVBoxLayout* sourcesLayout_;
    QPointer<QWidget> sourceList_;
    QWidget* empty_ = nullptr;
    std::vector<QWidget*> sourceRows_;
    DestinationsSection* destinations_;
    OLText* folder_;
    OLText* schedule_;
    OLButton* change_;
    OLText* skipped_;
    QPointer<StateBanner> dropBanner_;
    QPointer<QMessageBox> dialog_;
    // A row's own button may have caused the change: the rows are replaced after its handler returns.
    NextTurn refreshTurn_{this, [this] {
                              refresh();
                          }};
};

} // namespace keldra
