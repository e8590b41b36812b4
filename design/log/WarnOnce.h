#pragma once
// Logs a warning the first time a given subject comes up, so a missing font or icon that is drawn on every
// repaint is reported once, not on every frame.

#include <QLoggingCategory>
#include <QString>

namespace keldra {

// Warns `message` under `category` unless `subject` was already reported in that category.
void warnOnce(const QLoggingCategory& category, const QString& subject, const QString& message);

} // namespace keldra
