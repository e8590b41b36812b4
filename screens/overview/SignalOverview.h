#pragma once
// The signal Overview: three columns. Left, the status word and sentence, the run panel's facts and the
// primary action (a hold button for pause); middle, the banner, the last five minutes of upload speed and
// the run log; right, the backup sets and drives as terse lines with links to Backups and Restore. A run's
// samples update the chart, the speed text, the path line and the facts only.

#include "design/theme/OLWidget.h"

#include <vector>

class QVBoxLayout;

namespace keldra {

class AppModelView;
class DataList;
class OLText;
class PlainButton;
class RunLogList;
class StatusHeadline;
class ThroughputChart;

class SignalOverview : public OLWidget {
    Q_OBJECT
public:
    explicit SignalOverview(AppModelView& app, QWidget* parent = nullptr);

    StatusHeadline* headline() const { return headline_; }
    DataList* facts() const { return facts_; }
    // The primary action's control (an OLButton, or a HoldButton for pause), none without an action.
    QWidget* actionControl() const { return action_; }
    // The left column's children, top to bottom.
    QVBoxLayout* leftColumn() const { return left_; }
    OLText* speedText() const { return speed_; }
    OLText* pathText() const { return path_; }
    ThroughputChart* chart() const { return chart_; }
    // The state words of the source lines ("ON", "OFF"), in source order.
    const std::vector<OLText*>& sourceStates() const { return sourceStates_; }
    PlainButton* manageLink() const { return manage_; }
    PlainButton* restoreLink() const { return restore_; }

private:
    void refreshStatus();
    void refreshFacts();
    void refreshAction();
    void refreshSpeed();
    void rebuildLists();

    AppModelView& app_;
    QVBoxLayout* left_;
    StatusHeadline* headline_;
    DataList* facts_;
    QWidget* action_ = nullptr;
    OLText* speed_;
    ThroughputChart* chart_;
    OLText* path_;
    RunLogList* log_;
    QVBoxLayout* lists_;
    std::vector<OLText*> sourceStates_;
    PlainButton* manage_;
    PlainButton* restore_;
};

} // namespace keldra
