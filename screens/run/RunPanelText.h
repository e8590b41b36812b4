#pragma once
// The Overview's run-panel texts: the label and value rows of the signal look's status panel and the one
// line the glass look's sources column shows under the schedule. Pure functions of the model, re-read by
// their hosts on every change.

#include "app/model/AppModelView.h"
#include "design/data/DataRowModel.h"

#include <QString>
#include <vector>

namespace keldra {

std::vector<DataRowModel> runPanelRows(const AppModelView& app, SystemTime now);
QString nextRunLine(const AppModelView& app, SystemTime now);

// At the system clock's now.
std::vector<DataRowModel> runPanelRows(const AppModelView& app);
QString nextRunLine(const AppModelView& app);

} // namespace keldra
