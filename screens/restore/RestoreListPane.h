#pragma once
// The left pane of the Restore screen in one of four states: skeleton rows while the first listing loads,
// the load failure with "Try again", the listing (column header, rows or the no-match text, unreadable
// notice), or the empty prompt. Glass draws it on a rounded surface; signal draws no background.

#include "design/theme/OLWidget.h"

#include <QString>
#include <functional>
#include <optional>

class QListView;
class QVBoxLayout;

namespace keldra {

class OLText;
class RestoreRowsModel;
class StateBanner;

class RestoreListPane final : public OLWidget {
    Q_OBJECT
public:
    enum class State { loading, failed, listing, empty };

    RestoreListPane(RestoreRowsModel* rows, QWidget* parent = nullptr);

    void showLoading();
    void showFailure(const QString& message, std::function<void()> retry);
    // The rows, or the no-match text in their place; the notice when some records don't open.
    void showListing(std::optional<QString> noMatch, std::int64_t unreadable);
    void showEmpty();

    State state() const { return state_; }
    QListView* list() const { return list_; }
    StateBanner* failureBanner() const { return failure_; }
    OLText* noMatchText() const { return noMatch_; }
    OLText* unreadableText() const { return unreadable_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void applyTheme(const OLTheme& theme) override;

private:
    void setState(State state);

    State state_ = State::empty;
    QWidget* loading_;
    QWidget* failureBox_;
    StateBanner* failure_ = nullptr;
    QWidget* listing_;
    QListView* list_;
    OLText* noMatch_;
    OLText* unreadable_;
    QWidget* empty_;
};

} // namespace keldra
