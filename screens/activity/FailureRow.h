#pragma once
// One file a run could not back up: its path on one line (shortened in the middle) and the reason below,
// ruled under. Its context menu offers "Show in Files".

#include "core/index/IndexRows.h"
#include "design/theme/OLWidget.h"

#include <functional>

class QMenu;

namespace keldra {

class FailureRow : public OLWidget {
    Q_OBJECT
public:
    // `reveal` shows the failure's file (or its nearest existing folder) in the file manager.
    FailureRow(const RunFailure& failure, std::function<void()> reveal, QWidget* parent = nullptr);

    // The context menu; the caller owns it.
    QMenu* makeMenu(QWidget* parent) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    std::function<void()> reveal_;
};

} // namespace keldra
