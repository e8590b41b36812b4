// Fuzz target: arbitrary bytes as the portal's answer to the status, account, folder listing and
// all-files calls, decoded as the client decodes them (the {"data": ...} envelope, then the records with
// their lenient ids, counts and flags). Decoding either gives a record or refuses with a decoding error,
// never anything else; a record decodes the same way twice, and what the client does next with it
// (dates, ids sent back, hashing) never fails.

#include "service/api/AnswerDecoding.h"
#include "service/types/AccountInfo.h"
#include "service/types/DecodingError.h"
#include "service/types/KeldraListing.h"
#include "service/types/KeldraStatus.h"
#include "service/types/ServerDate.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

using keldra::KeldraFile;
using nlohmann::json;

// The record, or nothing when the answer does not fit it: the only two outcomes the client allows.
template <typename T> std::optional<T> decoded(const json& value) {
    try {
        return T::fromJson(value);
    } catch (const keldra::DecodingError&) {
    } catch (const json::exception&) {
    }
    return std::nullopt;
}

template <typename T> std::optional<T> decodedTwice(const json& value) {
    auto first = decoded<T>(value);
    if (first != decoded<T>(value)) {
        std::abort();
    }
    return first;
}

void useFiles(const std::vector<KeldraFile>& files) {
    for (const auto& file : files) {
        (void)std::hash<KeldraFile>{}(file);
        (void)file.id.jsonValue();
        (void)file.id.integerValue();
        if (file.folderId) {
            (void)file.folderId->jsonValue();
        }
        (void)keldra::parseServerDate(file.createdAt);
        (void)keldra::parseServerDate(file.updatedAt);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const keldra::Bytes body(data, data + size);
    const json parsed = keldra::answer::parseJson(body);
    if (parsed.is_discarded()) {
        return 0;
    }
    const json& content = keldra::answer::envelopeContent(parsed);
    (void)decodedTwice<keldra::KeldraStatus>(content);
    if (const auto listing = decodedTwice<keldra::KeldraListing>(content)) {
        useFiles(listing->files);
    }
    if (const auto page = decodedTwice<keldra::KeldraAllFilesPage>(parsed)) {
        useFiles(page->files.value_or(std::vector<KeldraFile>{}));
        useFiles(page->data.value_or(std::vector<KeldraFile>{}));
    }
    const auto account = keldra::AccountInfo::parse(parsed.is_object() ? parsed : json::object());
    if (account != keldra::AccountInfo::parse(parsed.is_object() ? parsed : json::object())) {
        std::abort();
    }
    return 0;
}
