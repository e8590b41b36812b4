#pragma once
// The newest lines of the run log, newest first: time of day, a tone symbol and the text (two lines at
// most), each row ruled below; "No activity yet." when the log is empty.

#include "core/events/LogLine.h"
#include "design/data/RuledList.h"

#include <vector>

namespace keldra {

class RunLogList : public RuledList {
    Q_OBJECT
public:
    RunLogList(std::vector<LogLine> lines, int limit, QWidget* parent = nullptr);

    void setLines(std::vector<LogLine> lines);
    // The texts of the rows shown, top to bottom (tests, the screens).
    QStringList shownTexts() const;
    int rowCount() const;

private:
    void rebuild();

    std::vector<LogLine> lines_;
    int limit_;
};

// "HH:mm:ss" in local time.
QString logTimeOfDay(SystemTime date);

} // namespace keldra
