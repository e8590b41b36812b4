#include "screens/presentation/ChipPresentation.h"

#include "app/model/StatusTexts.h"
#include "design/health/HealthPresentation.h"
#include "screens/presentation/RunPresentation.h"

#include <QString>

namespace keldra {

std::string chipLabel(const BackupHealth& health) {
    std::string words = HealthPresentation{health, OLTheme{}}.shortStatus();
    // Only a closing full stop goes: a status word without one keeps its last letter.
    if (!words.empty() && words.back() == '.') {
        words.pop_back();
    }
    return QString::fromStdString(words).toUpper().toStdString();
}

StatusTone chipTone(const BackupHealth& health) {
    using Kind = BackupHealth::Kind;
    switch (health.kind()) {
    case Kind::protected_:
        return StatusTone::secure;
    case Kind::backingUp:
    case Kind::paused:
    case Kind::attention:
    case Kind::locked:
        return StatusTone::warning;
    case Kind::atRisk:
    case Kind::storageFull:
        return StatusTone::danger;
    case Kind::blocked:
        break;
    }
    const bool offline = health.reason() && health.reason()->is<BlockReason::Offline>();
    return offline ? StatusTone::warning : StatusTone::danger;
}

std::string chipText(const BackupHealth& health, bool isRunning, const RunProgress& progress,
                     const std::optional<SystemTime>& lastSuccess) {
    std::string text = chipLabel(health);
    if (isRunning) {
        return text + " \u00b7 " + std::to_string(runPercent(progress)) + "%";
    }
    if (lastSuccess && health.kind() == BackupHealth::Kind::protected_) {
        return text + " \u00b7 " + formatClockTime(*lastSuccess);
    }
    return text;
}

} // namespace keldra
