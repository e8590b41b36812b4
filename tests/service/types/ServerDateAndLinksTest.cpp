#include "service/types/PortalLinks.h"
#include "service/types/ServerDate.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

TEST(ServerDate, ParsesThePortalsThreeForms) {
    const double may1 = 1714557600.0; // 2024-05-01T10:00:00Z
    struct Case {
        const char* text;
        std::optional<double> unix;
    };
    const Case cases[] = {
        {"2024-05-01T10:00:00.250Z", may1 + 0.25},
        {"2024-05-01T10:00:00.5+02:00", may1 - 7200 + 0.5},
        {"2024-05-01T10:00:00+02:00", may1 - 7200},
        {"2024-05-01T10:00:00-01:30", may1 + 5400},
        {"2024-05-01T10:00:00Z", may1},
        {"2024-05-01 10:00:00", may1},
        {"2024-02-29 00:00:00", 1709164800.0},
        {"2024-05-01", std::nullopt},
        {"", std::nullopt},
        {"2024-05-01T10:00:00", std::nullopt},
        {"2024-05-01T10:00:00.Z", std::nullopt},
        {"2024-05-01 10:00:00Z", std::nullopt},
        {"2023-02-29 00:00:00", std::nullopt},
        {"2024-13-01T10:00:00Z", std::nullopt},
        {"2024-05-01T24:00:00Z", std::nullopt},
        {"2024-05-01T10:00:00+0200", std::nullopt},
        {" 2024-05-01T10:00:00Z", std::nullopt},
        {"2024-05-01T10:00:00Zjunk", std::nullopt},
        // Dates the clock cannot hold are unreadable, never a wrapped-around time.
        {"2262-01-01T00:00:00.500Z", 9214646400.5},
        {"4052-03-01T10:00:00.250Z", std::nullopt},
        {"9999-12-31 23:59:59", std::nullopt},
        {"1000-01-01T00:00:00+01:00", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto parsed = parseServerDate(std::string(c.text));
        ASSERT_EQ(parsed.has_value(), c.unix.has_value()) << c.text;
        if (parsed) {
            EXPECT_DOUBLE_EQ(toUnixSeconds(*parsed), *c.unix) << c.text;
        }
    }
    EXPECT_FALSE(parseServerDate(std::nullopt).has_value());
}

TEST(ServerDate, FormatsUtcWithoutFraction) {
    EXPECT_EQ(formatInternetDateTime(fromUnixSeconds(1714557600.75)), "2024-05-01T10:00:00Z");
}

TEST(PortalLinks, BaseAndOverride) {
    EXPECT_EQ(resolvePortalBaseURL(nullptr), "https://portal.orlivane.example");
    EXPECT_EQ(resolvePortalBaseURL(""), "https://portal.orlivane.example");
    EXPECT_EQ(resolvePortalBaseURL("http://127.0.0.1:8080/"), "http://127.0.0.1:8080");
    // Every link hangs off the same base.
    EXPECT_EQ(portalServicesURL(), portalBaseURL() + "/dashboard/services");
    EXPECT_EQ(portalKeldraURL(), portalBaseURL() + "/keldra");
    EXPECT_EQ(portalForgotPasswordURL(), portalBaseURL() + "/forgot-password");
    EXPECT_TRUE(supportURL().ends_with("/support"));
    EXPECT_EQ(supportURL().find(portalBaseURL()), std::string::npos);
}

TEST(PortalLinks, PlainHttpOnlyForLoopback) {
    struct Case {
        const char* url;
        bool permitted;
    };
    const Case cases[] = {
        {"https://portal.orlivane.example", true},
        {"HTTPS://portal.orlivane.example/api", true},
        {"http://127.0.0.1:8080", true},
        {"http://127.8.9.10/api", true},
        {"http://localhost:1234/x", true},
        {"http://LOCALHOST", true},
        {"http://[::1]:9000/api", true},
        {"http://portal.orlivane.example", false},
        {"http://128.0.0.1", false},
        {"http://10.0.0.1:80", false},
        {"http://127.0.0.1.evil.example", false},
        {"http://127.0.0.1@evil.example/", false},
        {"http://localhost.evil.example", false},
        {"http://[::2]/", false},
        {"ftp://127.0.0.1", false},
        {"https://", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isPermittedPortalURL(c.url), c.permitted) << c.url;
    }
}

} // namespace
} // namespace keldra
