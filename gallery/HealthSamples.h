#pragma once
// The seventeen health states the design shows, each with a file-name-friendly name, and a row that draws
// one as the views do: tone dot, title, terse status and badge.

#include "design/health/HealthPresentation.h"

#include <QString>
#include <vector>

class QWidget;

namespace keldra::gallery {

struct HealthSample {
    QString name; // "blocked-offline"
    BackupHealth health;
};

std::vector<HealthSample> healthSamples();

QWidget* healthRow(const HealthPresentation& presentation);

} // namespace keldra::gallery
