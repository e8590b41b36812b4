#include "service/types/AccountInfo.h"
#include "service/types/AuthTokenResponse.h"
#include "service/types/DecodingError.h"
#include "service/types/JsonFields.h"
#include "service/types/KeldraListing.h"
#include "service/types/KeldraStatus.h"
#include "service/types/TransferTickets.h"

#include <gtest/gtest.h>
#include <unordered_set>

namespace keldra {
namespace {

using Json = nlohmann::json;

template <typename T> bool decodes(const char* text) {
    try {
        T::fromJson(Json::parse(text));
        return true;
    } catch (const DecodingError&) {
        return false;
    }
}

TEST(WireKeys, SnakeCaseAndTheCamelCaseSpellingBothMatch) {
    struct Case {
        const char* key;
        const char* camel;
    };
    const Case cases[] = {{"size_bytes", "sizeBytes"}, {"sizeBytes", "sizeBytes"},
                          {"Size_BYTES", "sizeBytes"}, {"a__b", "aB"},
                          {"_private", "_private"},    {"id", "id"},
                          {"__x_y__", "__xY__"},       {"___", "___"}};
    for (const auto& c : cases) {
        EXPECT_EQ(json_fields::camelCaseFromSnakeCase(c.key), c.camel) << c.key;
    }

    const auto file = KeldraFile::fromJson(Json::parse(R"({"id": 3, "sizeBytes": "10", "folderId": "7",
                                                          "encrypted_name": "n", "mimeType": "x/y"})"));
    EXPECT_EQ(file.sizeBytes, FlexInt(10));
    EXPECT_EQ(file.folderId, FlexID("7"));
    EXPECT_EQ(file.mimeType, "x/y");
    // A key without underscores is taken as it is: "sizebytes" is not the field.
    EXPECT_FALSE(KeldraFile::fromJson(Json::parse(R"({"id": 3, "sizebytes": 10})")).sizeBytes.has_value());
}

TEST(Records, RequiredAndOptionalFields) {
    struct Case {
        const char* what;
        bool (*decode)(const char*);
        const char* json;
        bool ok;
    };
    const Case cases[] = {
        {"file with id only", decodes<KeldraFile>, R"({"id": 1})", true},
        {"file without id", decodes<KeldraFile>, R"({"original_name": "a"})", false},
        {"file with null id", decodes<KeldraFile>, R"({"id": null})", false},
        {"null optional", decodes<KeldraFile>, R"({"id": 1, "mime_type": null, "folder_id": null})", true},
        {"optional of wrong type", decodes<KeldraFile>, R"({"id": 1, "mime_type": 5})", false},
        {"unreadable size", decodes<KeldraFile>, R"({"id": 1, "size_bytes": "big"})", false},
        {"not an object", decodes<KeldraFile>, R"([1])", false},
        {"folder", decodes<KeldraFolder>, R"({"id": "a", "name": "Mac", "parent_id": 4})", true},
        {"folder without name", decodes<KeldraFolder>, R"({"id": "a"})", false},
        {"listing without files", decodes<KeldraListing>, R"({"folders": []})", false},
        {"listing with a bad file", decodes<KeldraListing>, R"({"files": [{"id": 1}, {"name": "x"}]})",
         false},
        {"token", decodes<AuthTokenResponse>, R"({"token": "t", "expires_at": "2024-05-01T10:00:00Z"})",
         true},
        {"token missing", decodes<AuthTokenResponse>, R"({"token_type": "Bearer"})", false},
        {"refresh empty", decodes<RefreshResponse>, R"({})", true},
        {"upload ticket", decodes<UploadURLResponse>,
         R"({"upload_url": "u", "s3_key": "k", "expires_in": "900"})", true},
        {"upload ticket without key", decodes<UploadURLResponse>, R"({"upload_url": "u"})", false},
        {"confirmation", decodes<UploadConfirmResponse>, R"({"file": {"id": 9}})", true},
        {"confirmation without file", decodes<UploadConfirmResponse>, R"({"id": 9})", false},
        {"download ticket", decodes<DownloadURLResponse>, R"({"download_url": "d", "name_sealed": "yes"})",
         true},
        {"page with nothing", decodes<KeldraAllFilesPage>, R"({})", true},
        {"page meta", decodes<KeldraAllFilesPage>, R"({"meta": {"current_page": 1, "last_page": "3"}})",
         true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.decode(c.json), c.ok) << c.what;
    }
}

TEST(Records, FilesAreEqualAndHashedOverEveryField) {
    const auto a = KeldraFile::fromJson(Json::parse(R"({"id": 1, "folder_id": 2, "updated_at": "x"})"));
    auto b = a;
    EXPECT_EQ(a, b);
    b.updatedAt = "y";
    EXPECT_NE(a, b);
    std::unordered_set<KeldraFile> set{a, b, a};
    EXPECT_EQ(set.size(), 2u);
}

TEST(KeldraStatus, ToleratesItsOptionalMembers) {
    const auto s = KeldraStatus::fromJson(Json::parse(
        R"({"used_bytes": "1234", "quota_bytes": null, "file_count": "many", "folder_count": 3,
            "max_file_size_mb": 2048, "dead_man_switch": {"enabled": 1, "days": "x"}})"));
    EXPECT_EQ(s.usedBytes, FlexInt(1234));
    EXPECT_EQ(s.quotaBytes, FlexInt(0));
    EXPECT_FALSE(s.fileCount.has_value());
    EXPECT_EQ(s.folderCount, FlexInt(3));
    EXPECT_EQ(s.maxFileSizeMb, FlexInt(2048));
    EXPECT_FALSE(s.deadManSwitch.has_value());
    EXPECT_FALSE(s.geoRuleReported);

    EXPECT_FALSE(decodes<KeldraStatus>(R"({"quota_bytes": 1})"));
    EXPECT_FALSE(decodes<KeldraStatus>(R"({"used_bytes": "abc", "quota_bytes": 1})"));
}

TEST(KeldraStatus, CountryRuleIsReportedOnlyWhenNullOrReadable) {
    struct Case {
        const char* geo; // the value of "geo_rule", or nullptr for no key
        bool reported;
        bool hasRule;
    };
    const Case cases[] = {
        {nullptr, false, false},
        {"null", true, false},
        {R"({"enabled": true, "action": "destroy", "countries": ["de"]})", true, true},
        {R"("destroy")", false, false},
        {R"({"countries": "de"})", false, false},
        {R"([1, 2])", false, false},
    };
    for (const auto& c : cases) {
        Json body = {{"used_bytes", 1}, {"quota_bytes", 2}};
        if (c.geo) {
            body["geo_rule"] = Json::parse(c.geo);
        }
        const auto s = KeldraStatus::fromJson(body);
        EXPECT_EQ(s.geoRuleReported, c.reported) << (c.geo ? c.geo : "absent");
        EXPECT_EQ(s.geoRule.has_value(), c.hasRule) << (c.geo ? c.geo : "absent");
    }
}

TEST(AccountInfo, PicksItsSourceAndReadsLeniently) {
    struct Case {
        const char* what;
        const char* json;
        AccountInfo expected;
    };
    const GeoRuleInfo destroyDE{std::nullopt, "destroy", std::nullopt, std::vector<std::string>{"DE"},
                                std::nullopt};
    const Case cases[] = {
        {"data object",
         R"({"data": {"email": "a@x", "plan": {"name": "Plus"}, "two_factor_enabled": 1},
                            "email": "top@x"})",
         {"a@x", std::nullopt, "Plus", true, false, std::nullopt}},
        {"user only",
         R"({"user": {"name": "Ann", "plan": "Basic", "two_factor_enabled": false}})",
         {std::nullopt, "Ann", "Basic", false, false, std::nullopt}},
        {"data not an object falls to account",
         R"({"data": [1], "account": {"email": "b@x"}})",
         {"b@x", std::nullopt, std::nullopt, std::nullopt, false, std::nullopt}},
        {"top level",
         R"({"email": "c@x", "two_factor_enabled": "yes", "plan": 5})",
         {"c@x", std::nullopt, std::nullopt, std::nullopt, false, std::nullopt}},
        {"rule from the top when the source lacks it",
         R"({"data": {"email": "d@x"}, "geo_rule": {"action": "destroy", "countries": ["DE"]}})",
         {"d@x", std::nullopt, std::nullopt, std::nullopt, true, destroyDE}},
        {"null rule in the source wins over the top",
         R"({"data": {"geo_rule": null}, "geo_rule": {"action": "destroy"}})",
         {std::nullopt, std::nullopt, std::nullopt, std::nullopt, true, std::nullopt}},
        {"scalar rule says nothing",
         R"({"geo_rule": "destroy"})",
         {std::nullopt, std::nullopt, std::nullopt, std::nullopt, false, std::nullopt}},
        {"unreadable rule says nothing",
         R"({"geo_rule": {"enabled": true, "countries": [1]}})",
         {std::nullopt, std::nullopt, std::nullopt, std::nullopt, false, std::nullopt}},
        {"not an object at all",
         R"([1, 2])",
         {std::nullopt, std::nullopt, std::nullopt, std::nullopt, false, std::nullopt}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AccountInfo::parse(Json::parse(c.json)), c.expected) << c.what;
    }
}

TEST(GeoRuleInfo, CodeSets) {
    using List = std::optional<std::vector<std::string>>;
    EXPECT_EQ(GeoRuleInfo::codeSet(List{std::vector<std::string>{}}, List{{"de"}}), std::set<std::string>{});
    EXPECT_EQ(GeoRuleInfo::codeSet(std::nullopt, List{{"de", "Fr"}}), (std::set<std::string>{"DE", "FR"}));
    EXPECT_EQ(GeoRuleInfo::codeSet(List{{"us"}}, List{{"de"}}), std::set<std::string>{"US"});
    EXPECT_EQ(GeoRuleInfo::codeSet(std::nullopt, std::nullopt), std::set<std::string>{});
    EXPECT_EQ(GeoRuleInfo::allowedCodeSet(List{{"ch", "CH"}}), std::set<std::string>{"CH"});
    EXPECT_EQ(GeoRuleInfo::allowedCodeSet(std::nullopt), std::set<std::string>{});
}

} // namespace
} // namespace keldra
