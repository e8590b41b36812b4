#include "core/events/BlockReason.h"
#include "core/events/EngineEvent.h"
#include "core/events/RunOutcome.h"
#include "core/events/RunPhase.h"
#include "core/events/ThroughputMeter.h"

#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace keldra {
namespace {

TEST(RunPhase, RawValuesRoundTripAndUnknownTextsGiveNone) {
    const std::vector<std::pair<RunPhase, std::string>> phases{
        {RunPhase::preparing, "preparing"}, {RunPhase::checking, "checking"},
        {RunPhase::scanning, "scanning"},   {RunPhase::uploading, "uploading"},
        {RunPhase::copying, "copying"},     {RunPhase::cleaning, "cleaning"},
    };
    for (const auto& [phase, raw] : phases) {
        EXPECT_EQ(rawValue(phase), raw);
        EXPECT_EQ(runPhaseFromRaw(raw), phase);
    }
    EXPECT_EQ(runPhaseFromRaw("Scanning"), std::nullopt);
    EXPECT_EQ(runPhaseFromRaw(""), std::nullopt);
}

TEST(LogLine, EveryLineGetsItsOwnId) {
    const SystemTime now = fromUnixSeconds(1000);
    const auto a = LogLine::make("Backed up", LogLine::Tone::ok, now);
    const auto b = LogLine::make("Backed up", LogLine::Tone::ok, now);
    EXPECT_NE(a.id, b.id);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.text, "Backed up");
    EXPECT_EQ(a.date, now);
    const auto event = EngineEvent::log(a);
    ASSERT_NE(event.get<EngineEvent::Log>(), nullptr);
    EXPECT_EQ(event.get<EngineEvent::Log>()->line, a);
    EXPECT_EQ(event.get<EngineEvent::Progress>(), nullptr);
}

TEST(BlockReason, TitlesAndMessages) {
    struct Case {
        BlockReason reason;
        std::string title;
        std::string message;
    };
    const std::vector<Case> cases{
        {BlockReason::serverNotReady("upload confirmation"), "Backups unavailable",
         "The Keldra service doesn't support upload confirmation yet. Your files are safe; backups resume "
         "once "
         "it does."},
        {BlockReason::accessDenied(""), "Access refused",
         "The Keldra refused access from this connection. Check your Keldra's country rules on the web, then "
         "try "
         "again."},
        {BlockReason::accessDenied("Blocked by policy."), "Access refused",
         "Blocked by policy. Check your Keldra's country rules on the web, then try again."},
        {BlockReason::geoBlocked(true), "Keldra wiped",
         "Your Keldra's country rule wiped it after access from a blocked country. Set the Keldra up again "
         "on the "
         "web, then restart backups here."},
        {BlockReason::geoBlocked(false), "Blocked by country rule",
         "Your Keldra's country rule blocks access from this connection. If you're on a VPN, switch to a "
         "server "
         "in an allowed country."},
        {BlockReason::geoRisk("DE"), "Paused for safety",
         "This computer is connecting from Germany. Your Keldra's country rule is set to Destroy for there, "
         "so the "
         "app won't contact the Keldra. Disconnect the VPN or switch to a server in another country; backups "
         "resume on their own."},
        {BlockReason::signedOut(), "Signed out", "Sign in again to continue. Your backup progress is kept."},
        {BlockReason::suspended(), "Keldra suspended",
         "Your keldra has been suspended. Please contact support."},
        {BlockReason::noPlan(), "No Keldra plan",
         "This account doesn't include Keldra storage. Choose a Keldra plan or a bundle such as Orlivane "
         "Plenum "
         "to start backing up."},
        {BlockReason::accountDisabled(), "Account disabled",
         "This account has been disabled. Please contact support."},
        {BlockReason::offline(), "Waiting for network",
         "Backups resume automatically when your computer is back online."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.reason.title(), c.title);
        EXPECT_EQ(c.reason.message(), c.message);
    }
    EXPECT_NE(BlockReason::geoBlocked(true), BlockReason::geoBlocked(false));
    EXPECT_EQ(BlockReason::accessDenied("x"), BlockReason::accessDenied("x"));
}

TEST(BlockReason, RegionNamesComeFromIsoCodesWithTheCodeAsFallback) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"DE", "Germany"}, {"de", "Germany"}, {"TW", "Taiwan"},         {"BO", "Bolivia"},
        {"XX", "XX"},      {"", ""},          {"GB", "United Kingdom"},
    };
    for (const auto& [code, name] : cases) {
        const std::string message = BlockReason::geoRisk(code).message();
        EXPECT_TRUE(message.starts_with("This computer is connecting from " + name + ". "))
            << code << ": " << message;
    }
}

TEST(RunOutcome, CasesCarryTheirFiguresAndCompareByValue) {
    EXPECT_EQ(RunOutcome::massChangeReview(10, 20, 30), RunOutcome::massChangeReview(10, 20, 30));
    EXPECT_NE(RunOutcome::massChangeReview(10, 20, 30), RunOutcome::massChangeReview(10, 20, 31));
    EXPECT_NE(RunOutcome::completed(), RunOutcome::completedWithFailures(0));
    const auto blocked = RunOutcome::blocked(BlockReason::noPlan());
    ASSERT_TRUE(blocked.is<RunOutcome::Blocked>());
    EXPECT_EQ(blocked.get<RunOutcome::Blocked>()->reason, BlockReason::noPlan());
    EXPECT_EQ(RunOutcome::failed("x").get<RunOutcome::Failed>()->message, "x");
}

TEST(ThroughputMeter, CountsOnlyGrowthAndResetsOnEachSample) {
    ThroughputMeter meter;
    meter.add(100);
    meter.add(0);
    meter.add(-50);
    meter.add(25);
    EXPECT_EQ(meter.takePending(), 125);
    EXPECT_EQ(meter.takePending(), 0);

    // Writers on several threads while a sampler drains: nothing is lost or counted twice.
    int64_t sampled = 0;
    std::atomic<bool> done = false;
    std::thread sampler([&] {
        while (!done) {
            sampled += meter.takePending();
        }
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&] {
            for (int i = 0; i < 10'000; ++i) {
                meter.add(3);
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    done = true;
    sampler.join();
    sampled += meter.takePending();
    EXPECT_EQ(sampled, 4 * 10'000 * 3);
}

} // namespace
} // namespace keldra
