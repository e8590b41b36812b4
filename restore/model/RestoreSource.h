#pragma once

#include "service/types/FlexID.h"

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

namespace keldra {

// One device folder to browse: in the Keldra (by its portal folder id) or on a drive destination (the
// destination's id and the device's folder name under "devices").
class RestoreSource {
public:
    enum class Kind { keldra, drive };

    static RestoreSource keldra(FlexID folderID) {
        return RestoreSource(Kind::keldra, std::move(folderID.raw), {});
    }
    static RestoreSource drive(std::string destinationID, std::string device) {
        return RestoreSource(Kind::drive, std::move(destinationID), std::move(device));
    }

    Kind kind() const { return kind_; }
    bool isKeldra() const { return kind_ == Kind::keldra; }
    bool isDrive() const { return kind_ == Kind::drive; }

    // Keldra: the device folder's portal id.
    FlexID folderID() const { return FlexID(first_); }
    // Drive: the destination's id and the device folder's name.
    const std::string& destinationID() const { return first_; }
    const std::string& device() const { return second_; }

    friend bool operator==(const RestoreSource&, const RestoreSource&) = default;

private:
    RestoreSource(Kind kind, std::string first, std::string second)
        : kind_(kind), first_(std::move(first)), second_(std::move(second)) {}

    Kind kind_;
    std::string first_;
    std::string second_;
};

// One entry of the source picker.
struct RestoreSourceOption {
    RestoreSource id;
    std::string label;

    friend bool operator==(const RestoreSourceOption&, const RestoreSourceOption&) = default;
};

// The picker's labels: "Keldra › " + the folder's name, and destination name + " › " + device name.
std::string keldraSourceLabel(const std::string& folderName);
std::string driveSourceLabel(const std::string& destinationName, const std::string& deviceName);

} // namespace keldra

template <> struct std::hash<keldra::RestoreSource> {
    std::size_t operator()(const keldra::RestoreSource& source) const noexcept {
        std::size_t seed = source.isKeldra() ? 0 : 1;
        const auto mix = [&seed](const std::string& text) {
            seed ^= std::hash<std::string>{}(text) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
        };
        mix(source.destinationID());
        if (source.isDrive()) {
            mix(source.device());
        }
        return seed;
    }
};

template <> struct std::hash<keldra::RestoreSourceOption> {
    std::size_t operator()(const keldra::RestoreSourceOption& option) const noexcept {
        return std::hash<keldra::RestoreSource>{}(option.id) ^ (std::hash<std::string>{}(option.label) << 1);
    }
};
