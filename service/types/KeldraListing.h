#pragma once

#include "service/types/FlexInt.h"
#include "service/types/KeldraFile.h"
#include "service/types/KeldraFolder.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace keldra {

// Answer of the folder listing.
struct KeldraListing {
    std::optional<std::vector<KeldraFolder>> folders;
    std::vector<KeldraFile> files;

    static KeldraListing fromJson(const nlohmann::json& value);
    bool operator==(const KeldraListing&) const = default;
};

// One page of the account-wide file listing. The portal sends the files under "files" or "data" and the
// page numbers at the top level or inside "meta"; which of them counts is the listing's business.
struct KeldraAllFilesPage {
    struct Meta {
        std::optional<FlexInt> currentPage;
        std::optional<FlexInt> lastPage;

        static Meta fromJson(const nlohmann::json& value);
        bool operator==(const Meta&) const = default;
    };

    std::optional<std::vector<KeldraFile>> files;
    std::optional<std::vector<KeldraFile>> data;
    std::optional<FlexInt> currentPage;
    std::optional<FlexInt> lastPage;
    std::optional<std::string> nextPageUrl;
    std::optional<Meta> meta;

    static KeldraAllFilesPage fromJson(const nlohmann::json& value);
    bool operator==(const KeldraAllFilesPage&) const = default;
};

} // namespace keldra
