#pragma once

#include "service/types/FlexID.h"

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace keldra {

// One folder of the Keldra.
struct KeldraFolder {
    FlexID id;
    std::string name;
    std::optional<std::string> color;
    std::optional<FlexID> parentId;

    static KeldraFolder fromJson(const nlohmann::json& value);
    bool operator==(const KeldraFolder&) const = default;
};

} // namespace keldra

template <> struct std::hash<keldra::KeldraFolder> {
    std::size_t operator()(const keldra::KeldraFolder& folder) const noexcept;
};
