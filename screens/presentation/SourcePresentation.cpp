#include "screens/presentation/SourcePresentation.h"

#include "core/events/Formatters.h"
#include "screens/presentation/ScreenFormats.h"

#include <filesystem>

namespace keldra {

std::string sourceName(const BackupSource& source) {
    std::filesystem::path path(source.path);
    // "/home/ada/Music/" has an empty last element: its folder is the one to name.
    if (!path.has_filename() && path.has_relative_path()) {
        path = path.parent_path();
    }
    std::string name = path.filename().string();
    return name.empty() ? source.path : name;
}

std::string sourceIconName(const BackupSource& source) {
    if (source.isFile) {
        return "icon-file";
    }
    return BackupSource::volumeRoot(source) ? "icon-drive" : "icon-folder";
}

std::string sourceStatusLine(const BackupSource& source,
                             const std::optional<BackupSource::Availability>& availability,
                             std::int64_t fileCount) {
    using Kind = BackupSource::Availability::Kind;
    switch (availability ? availability->kind : Kind::available) {
    case Kind::available:
        break;
    case Kind::missing:
        return "Not found \u00b7 backups kept";
    case Kind::noPermission:
        return "Access blocked by your system";
    case Kind::driveDisconnected:
        return availability->volumeName + " not connected \u00b7 backups kept";
    }
    return BackupSource::abbreviatePath(source.path) + " \u00b7 " + countText(fileCount).toStdString() +
           " files";
}

DriveLine driveSecondLine(const DriveState& state, SystemTime now) {
    if (state.problem) {
        return {*state.problem, true};
    }
    std::string text = state.lastSuccess
                           ? "Last copy " + lowerCased(formatLogTimestamp(*state.lastSuccess, now))
                           : std::string("Not copied yet");
    if (!state.connected) {
        text += " \u00b7 not connected";
    }
    return {std::move(text), false};
}

} // namespace keldra
