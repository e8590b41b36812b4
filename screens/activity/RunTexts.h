#pragma once
// What the Activity page writes about a run: its status title and colours, the live card's phase label and
// percentage, and the cells and detail rows of a recorded run. Plain functions so each case is tested
// without a widget.

#include "app/model/ThemeValues.h"
#include "core/events/RunProgress.h"
#include "core/index/IndexRows.h"
#include "design/data/DataRowModel.h"
#include "design/theme/OLRgba.h"

#include <QString>
#include <vector>

namespace keldra {

QString runStatusTitle(RunStatus status);
// The detail card's chip.
StatusTone runStatusTone(RunStatus status);
// The run row's dot.
OLRgba runStatusDotColor(RunStatus status);
QString runPhaseLabel(RunPhase phase);

// "—" until the run finished; a finish recorded before the start (a clock set back) reads "0s".
QString runDurationText(const RunRecord& run);
// The list's "Uploaded" column: "—" when nothing was uploaded, else the byte count.
QString runUploadedCell(const RunRecord& run);
// The seven rows of the detail card, none copyable.
std::vector<DataRowModel> runDetailRows(const RunRecord& run);
// "Not backed up · 250": counts every loaded failure, however many are drawn.
QString failuresHeading(std::size_t count);

// At most this many failure rows are drawn.
inline constexpr std::size_t failureRowsShown = 200;

} // namespace keldra
