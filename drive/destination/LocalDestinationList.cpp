#include "core/settings/JsonFields.h"
#include "drive/destination/LocalDestination.h"

namespace keldra {

namespace {

std::string destinationsKey(const std::string& scopeKey) {
    return "destinations." + scopeKey;
}

} // namespace

nlohmann::json LocalDestination::toJson() const {
    nlohmann::json json = {
        {"id", id},
        {"name", name},
        {"volumePathAtAdd", volumePathAtAdd},
        {"folderInVolume", folderInVolume},
        {"enabled", enabled},
        {"addedAt", toReferenceSeconds(addedAt)},
        {"isBootVolume", isBootVolume},
    };
    if (volumeUUID) {
        json["volumeUUID"] = *volumeUUID;
    }
    return json;
}

std::optional<LocalDestination> LocalDestination::fromJson(const nlohmann::json& json) {
    if (!json.is_object()) {
        return std::nullopt;
    }
    const auto field = [&](const char* key) -> const nlohmann::json* {
        const auto found = json.find(key);
        return found == json.end() ? nullptr : &*found;
    };
    const auto* idValue = field("id");
    const auto* nameValue = field("name");
    const auto* pathValue = field("volumePathAtAdd");
    const auto* folderValue = field("folderInVolume");
    const auto* enabledValue = field("enabled");
    const auto* addedValue = field("addedAt");
    const auto* bootValue = field("isBootVolume");
    if (!idValue || !nameValue || !pathValue || !folderValue || !enabledValue || !addedValue || !bootValue) {
        return std::nullopt;
    }
    auto id = jsonfield::readString(*idValue);
    auto name = jsonfield::readString(*nameValue);
    auto volumePath = jsonfield::readString(*pathValue);
    auto folder = jsonfield::readString(*folderValue);
    auto enabled = jsonfield::readBool(*enabledValue);
    auto added = jsonfield::readDouble(*addedValue);
    auto boot = jsonfield::readBool(*bootValue);
    if (!id || !name || !volumePath || !folder || !enabled || !added || !boot) {
        return std::nullopt;
    }
    LocalDestination destination;
    // A missing or null UUID is a volume that reports none.
    if (const auto* uuidValue = field("volumeUUID"); uuidValue && !uuidValue->is_null()) {
        auto uuid = jsonfield::readString(*uuidValue);
        if (!uuid) {
            return std::nullopt;
        }
        destination.volumeUUID = std::move(*uuid);
    }
    destination.id = std::move(*id);
    destination.name = std::move(*name);
    destination.volumePathAtAdd = std::move(*volumePath);
    destination.folderInVolume = std::move(*folder);
    destination.enabled = *enabled;
    const std::optional<SystemTime> addedAt = checkedFromReferenceSeconds(*added);
    if (!addedAt) {
        return std::nullopt;
    }
    destination.addedAt = *addedAt;
    destination.isBootVolume = *boot;
    return destination;
}

std::vector<LocalDestination> LocalDestination::loadAll(const KeyValueStore& store,
                                                        const std::string& scopeKey) {
    const auto stored = store.value(destinationsKey(scopeKey));
    if (!stored || !stored->is_array()) {
        return {};
    }
    std::vector<LocalDestination> destinations;
    for (const auto& item : *stored) {
        auto destination = fromJson(item);
        if (!destination) {
            // One bad record makes the whole list undecodable.
            return {};
        }
        destinations.push_back(std::move(*destination));
    }
    return destinations;
}

void LocalDestination::saveAll(KeyValueStore& store, const std::string& scopeKey,
                               const std::vector<LocalDestination>& destinations) {
    auto list = nlohmann::json::array();
    for (const auto& destination : destinations) {
        list.push_back(destination.toJson());
    }
    try {
        // A text that is not UTF-8 (a volume label, say) cannot be written as JSON: keep the old list.
        (void)list.dump();
    } catch (const nlohmann::json::exception&) {
        return;
    }
    store.setValue(destinationsKey(scopeKey), list);
}

} // namespace keldra
