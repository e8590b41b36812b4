#include "core/settings/BackupSource.h"

#include "core/seams/XdgPaths.h"
#include "core/settings/JsonFields.h"

namespace keldra {
namespace {

std::string sourcesKey(const std::string& scopeKey) {
    return "sources." + scopeKey;
}

std::vector<std::string> splitPath(std::string_view path) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        if (end > start) {
            pieces.emplace_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return pieces;
}

} // namespace

std::filesystem::path standardizedPath(const std::filesystem::path& path) {
    std::string text = path.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

nlohmann::json BackupSource::toJson() const {
    return nlohmann::json{
        {"id", id}, {"path", path}, {"isFile", isFile}, {"addedAt", toReferenceSeconds(addedAt)}};
}

std::optional<BackupSource> BackupSource::fromJson(const nlohmann::json& json) {
    using namespace jsonfield;
    BackupSource source;
    double addedAt = 0;
    ObjectReader reader(json);
    reader.required("id", source.id, readString);
    reader.required("path", source.path, readString);
    reader.required("isFile", source.isFile, readBool);
    reader.required("addedAt", addedAt, readDouble);
    const std::optional<SystemTime> added = checkedFromReferenceSeconds(addedAt);
    if (!reader.ok() || !added) {
        return std::nullopt;
    }
    source.addedAt = *added;
    return source;
}

std::vector<BackupSource> BackupSource::loadAll(const KeyValueStore& store, const std::string& scopeKey) {
    auto stored = store.value(sourcesKey(scopeKey));
    if (!stored || !stored->is_array()) {
        return {};
    }
    std::vector<BackupSource> sources;
    for (const auto& item : *stored) {
        auto source = fromJson(item);
        if (!source) {
            // One bad entry makes the whole list undecodable.
            return {};
        }
        sources.push_back(std::move(*source));
    }
    return sources;
}

void BackupSource::saveAll(KeyValueStore& store, const std::string& scopeKey,
                           const std::vector<BackupSource>& sources) {
    auto list = nlohmann::json::array();
    for (const auto& source : sources) {
        list.push_back(source.toJson());
    }
    store.setValue(sourcesKey(scopeKey), list);
}

std::optional<std::filesystem::path> BackupSource::volumeRoot(const BackupSource& source) {
    if (source.path.empty() || source.path.front() != '/') {
        return std::nullopt;
    }
    const auto pieces = splitPath(standardizedPath(source.path).string());
    if (pieces.size() >= 3 && pieces[0] == "media") {
        return std::filesystem::path("/media") / pieces[1] / pieces[2];
    }
    if (pieces.size() >= 4 && pieces[0] == "run" && pieces[1] == "media") {
        return std::filesystem::path("/run/media") / pieces[2] / pieces[3];
    }
    if (pieces.size() >= 2 && pieces[0] == "mnt") {
        return std::filesystem::path("/mnt") / pieces[1];
    }
    return std::nullopt;
}

namespace {

// "/media/<name>" for a path below it: udisks mounts there when the system is set up without per-user
// folders, and the mount table decides whether it is a drive or the folder of a user.
std::optional<std::filesystem::path> directMediaMount(const BackupSource& source) {
    if (source.path.empty() || source.path.front() != '/') {
        return std::nullopt;
    }
    const auto pieces = splitPath(standardizedPath(source.path).string());
    if (pieces.size() >= 2 && pieces[0] == "media") {
        return std::filesystem::path("/media") / pieces[1];
    }
    return std::nullopt;
}

bool isMounted(const std::filesystem::path& root, const SourceProbe& probe) {
    const auto resolved = probe.resolved(root);
    return (resolved && *resolved == "/") || probe.isMountPoint(root);
}

} // namespace

BackupSource::Availability BackupSource::availability(const BackupSource& source, const SourceProbe& probe) {
    bool mountedDirectly = false;
    if (auto direct = directMediaMount(source)) {
        if (probe.kind(*direct) == SourceProbe::Kind::none) {
            // Neither a drive nor a user's folder of drives is there: whatever held the source is gone.
            return Availability::driveDisconnected(direct->filename().string());
        }
        mountedDirectly = isMounted(*direct, probe);
    }
    if (auto root = mountedDirectly ? std::nullopt : volumeRoot(source)) {
        const std::string name = root->filename().string();
        if (probe.kind(*root) == SourceProbe::Kind::none) {
            return Availability::driveDisconnected(name);
        }
        auto resolved = probe.resolved(*root);
        const bool startupVolume = resolved && *resolved == "/";
        // A plain folder left where the drive is normally mounted is not the drive.
        if (!startupVolume && !probe.isMountPoint(*root)) {
            return Availability::driveDisconnected(name);
        }
    }
    const std::filesystem::path path(source.path);
    switch (probe.kind(path)) {
    case SourceProbe::Kind::none:
        return Availability::missing();
    case SourceProbe::Kind::directory:
        return probe.canList(path) ? Availability::available() : Availability::noPermission();
    case SourceProbe::Kind::other:
        break;
    }
    return probe.canRead(path) ? Availability::available() : Availability::noPermission();
}

BackupSource::Availability BackupSource::availability(const BackupSource& source) {
    const RealSourceProbe probe;
    return availability(source, probe);
}

std::string BackupSource::abbreviatePath(const std::filesystem::path& path) {
    const std::string standardized = standardizedPath(path).string();
    const std::string home = standardizedPath(homeDirectory()).string();
    if (standardized == home) {
        return "~";
    }
    if (standardized.size() > home.size() + 1 && standardized.starts_with(home + "/")) {
        return "~/" + standardized.substr(home.size() + 1);
    }
    return standardized;
}

std::filesystem::path BackupSource::expandPath(std::string_view path) {
    if (path == "~") {
        return standardizedPath(homeDirectory());
    }
    if (path.starts_with("~/")) {
        // Appended as it stands: a ".." inside stays visible to the caller's own safety checks. Extra
        // slashes are dropped first, or "~//etc" would be appended as the absolute "/etc".
        std::string_view rest = path.substr(2);
        while (rest.starts_with('/')) {
            rest.remove_prefix(1);
        }
        return standardizedPath(homeDirectory()) / std::string(rest);
    }
    return std::filesystem::path(std::string(path));
}

std::vector<std::string> BackupSource::pathComponents(std::string_view path) {
    if (path.starts_with("~/")) {
        auto pieces = splitPath(path.substr(2));
        pieces.insert(pieces.begin(), "~");
        return pieces;
    }
    return splitPath(path);
}

} // namespace keldra
