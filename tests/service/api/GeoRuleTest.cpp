#include "service/api/GeoGuard.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

using GeoGuard::Rule;
using List = std::optional<std::vector<std::string>>;

GeoRuleInfo info(std::optional<bool> enabled, std::optional<std::string> action, List blocked, List countries,
                 List allowed) {
    return {enabled ? std::optional<FlexBool>(FlexBool(*enabled)) : std::nullopt, std::move(action),
            std::move(blocked), std::move(countries), std::move(allowed)};
}

TEST(GeoGuard, RuleFromReportedRule) {
    struct Case {
        const char* what;
        std::optional<GeoRuleInfo> in;
        Rule out;
    };
    const Case cases[] = {
        {"no rule", std::nullopt, Rule::off()},
        {"enabled absent, DESTROY, allowed in lower case",
         info(std::nullopt, "DESTROY", std::nullopt, std::nullopt, List{{"de", "ch"}}),
         Rule::allowOnly({"DE", "CH"})},
        {"disabled", info(false, "destroy", List{{"RU"}}, std::nullopt, std::nullopt), Rule::off()},
        {"another action", info(true, "block", List{{"RU"}}, std::nullopt, List{{"DE"}}), Rule::off()},
        {"no action", info(true, std::nullopt, List{{"RU"}}, std::nullopt, std::nullopt), Rule::off()},
        {"empty lists",
         info(true, "destroy", List{std::vector<std::string>{}}, List{std::vector<std::string>{}},
              List{std::vector<std::string>{}}),
         Rule::off()},
        {"countries when blocked absent", info(true, "destroy", std::nullopt, List{{"ru"}}, std::nullopt),
         Rule::block({"RU"})},
        {"empty blocked is not replaced",
         info(true, "destroy", List{std::vector<std::string>{}}, List{{"ru"}}, std::nullopt), Rule::off()},
        {"allowed wins over blocked", info(true, "destroy", List{{"RU"}}, std::nullopt, List{{"de"}}),
         Rule::allowOnly({"DE"})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GeoGuard::ruleFrom(c.in), c.out) << c.what;
    }
}

TEST(GeoGuard, RuleDecides) {
    EXPECT_TRUE(Rule::block({"RU"}).refuses("RU"));
    EXPECT_FALSE(Rule::block({"RU"}).refuses("DE"));
    EXPECT_TRUE(Rule::allowOnly({"DE", "CH"}).refuses("FR"));
    EXPECT_FALSE(Rule::allowOnly({"DE", "CH"}).refuses("CH"));
    EXPECT_FALSE(Rule::off().refuses("RU"));
}

TEST(GeoGuard, CountryFromTrace) {
    struct Case {
        const char* body;
        std::optional<std::string> code;
    };
    const Case cases[] = {
        {"fl=1\nip=1.2.3.4\nloc=de\ntls=TLSv1.3\n", "DE"},
        {"\n\nloc=CH", "CH"},
        {"loc=\nloc=DE\n", std::nullopt}, // the first "loc=" line decides
        {"loc=DEU\n", std::nullopt},
        {"ip=1.2.3.4\n", std::nullopt},
        {"", std::nullopt},
        {"xloc=DE\n", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GeoGuard::countryFromTrace(c.body), c.code) << c.body;
    }
}

} // namespace
} // namespace keldra
