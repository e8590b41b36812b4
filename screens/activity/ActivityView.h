#pragma once
// The Activity page: every recorded run in a list, the selected run's figures and what it could not back
// up, a live card while a run is going and this launch's log. The header carries the one action: "Pause"
// while a run is going, "Back up now" when one can start, else nothing.
//
// The view holds only the selection and the failures loaded for it. Failures load off the UI thread and
// only the newest selection's answer is shown.

#include "core/index/IndexRows.h"
#include "design/theme/OLWidget.h"

#include <QPointer>
#include <optional>
#include <qcoro/qcorotask.h>
#include <vector>

class QBoxLayout;
class QVBoxLayout;

namespace keldra {

class AppModelView;
class OLButton;
class OLCard;
class OLProgressBar;
class OLText;
class RunLogList;
class RunRow;

class ActivityView : public OLWidget {
    Q_OBJECT
public:
    explicit ActivityView(AppModelView& app, QWidget* parent = nullptr);

    std::optional<std::int64_t> selectedID() const { return selectedID_; }
    const std::vector<RunFailure>& failures() const { return failures_; }
    // Selects a run as a click on its row does.
    void select(std::optional<std::int64_t> runID);

    // For tests and the gallery.
    OLButton* pauseButton() const { return pause_; }
    OLButton* backUpButton() const { return backUp_; }
    const std::vector<RunRow*>& rows() const { return rows_; }
    OLText* emptyText() const { return empty_; }
    QWidget* liveCard() const;
    OLText* livePercent() const { return percent_; }
    OLProgressBar* liveBar() const { return bar_; }
    OLText* liveLine() const { return liveLine_; }
    // The detail card of the selected run; none when the selection is not among the runs.
    QWidget* detailCard() const { return detail_; }
    // The failure rows drawn and the heading above them (none without failures).
    int failureRowCount() const { return failureRows_; }
    OLText* failuresLabel() const { return failuresLabel_; }
    RunLogList* logList() const { return log_; }
    // Whether the live card, the detail and the log stand below the run list (a narrow page).
    bool isSideBelow() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int listMinimumWidth() const;
    void arrange();
    void updateHeaderAction();
    void rebuildRows();
    void onRunsChanged();
    void updateLiveCard();
    void rebuildDetail();
    static QCoro::Task<> loadFailures(QPointer<ActivityView> view, AppModelView* app, std::int64_t runID,
                                      std::uint64_t serial);

    AppModelView& app_;
    std::optional<std::int64_t> selectedID_;
    std::vector<RunFailure> failures_;
    std::optional<std::int64_t> firstID_;
    std::uint64_t loadSerial_ = 0;

    OLButton* pause_;
    OLButton* backUp_;
    QBoxLayout* body_;
    QWidget* sideScroll_;
    QWidget* rowsHost_;
    QVBoxLayout* rowsLayout_;
    QWidget* rowsScroll_;
    QWidget* emptyHolder_;
    OLText* empty_;
    std::vector<RunRow*> rows_;
    QVBoxLayout* sideLayout_;
    OLCard* live_;
    OLText* percent_;
    OLProgressBar* bar_;
    OLText* liveLine_;
    QPointer<QWidget> detail_;
    OLText* failuresLabel_ = nullptr;
    int failureRows_ = 0;
    RunLogList* log_;
};

} // namespace keldra
