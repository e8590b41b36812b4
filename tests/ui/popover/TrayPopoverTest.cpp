#include "screens/popover/TrayPopover.h"

#include "design/button/OLButton.h"
#include "design/data/DataList.h"
#include "design/orb/KeldraOrb.h"
#include "design/status/StatusChip.h"
#include "design/text/OLText.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "gallery/fake/FakeAppModel.h"
#include "screens/popover/PopoverTexts.h"
#include "tests/support/QtApp.h"

#include <QCoreApplication>
#include <QShortcut>
#include <gtest/gtest.h>

namespace keldra {
namespace {

KeldraStatus storage(std::int64_t used, std::int64_t quota) {
    KeldraStatus status;
    status.usedBytes = FlexInt(used);
    status.quotaBytes = FlexInt(quota);
    return status;
}

struct Harness {
    FakeAppModel app;
    int opened = 0;
    int quits = 0;
    std::unique_ptr<TrayPopover> popover;

    explicit Harness(PopoverStyle style = PopoverStyle::glass) {
        app.setPhase(AppPhase::ready);
        app.persistPopoverStyle(style);
        popover = std::make_unique<TrayPopover>(
            app, [this] { ++opened; }, [this] { ++quits; });
        test::drainEvents();
    }
};

TEST(TrayPopover, TheStatusBlockShowsWhenReadyOrLockedElseTheSignInPrompt) {
    const struct {
        AppPhase phase;
        bool status;
    } cases[] = {{AppPhase::ready, true},      {AppPhase::unlock, true},     {AppPhase::launching, false},
                 {AppPhase::signedOut, false}, {AppPhase::twoFactor, false}, {AppPhase::setup, false}};
    for (PopoverStyle style : {PopoverStyle::glass, PopoverStyle::signal}) {
        Harness h(style);
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << int(style) << " phase " << int(c.phase));
            h.app.setPhase(c.phase);
            test::drainEvents();
            EXPECT_EQ(h.popover->statusBlock() != nullptr, c.status);
            EXPECT_EQ(h.popover->signInPrompt() != nullptr, !c.status);
            EXPECT_TRUE(h.popover->footerOpen());
            EXPECT_TRUE(h.popover->footerQuit());
        }
    }
}

TEST(PopoverTexts, TheKeyRow) {
    const struct {
        bool unattended, held;
        const char* value;
        std::optional<StatusTone> tone;
    } cases[] = {
        {true, true, "Keyring", StatusTone::secure},
        {true, false, "Keyring", StatusTone::secure},
        {false, true, "Memory", std::nullopt},
        {false, false, "Locked", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const DataRowModel row = keyRow(c.unattended, c.held);
        EXPECT_EQ(row.label, "Key");
        EXPECT_EQ(row.value, c.value);
        EXPECT_EQ(row.tone, c.tone);
        EXPECT_FALSE(row.copyable);
    }
}

TEST(PopoverTexts, TheStoragePercentage) {
    EXPECT_EQ(storageUsedText(storage(12'000'000'000, 10'000'000'000)), QStringLiteral("12 GB \u00B7 100%"));
    EXPECT_EQ(storageUsedText(storage(5, 0)), QStringLiteral("1 KB \u00B7 0%"));
    EXPECT_EQ(storageUsedText(storage(1'500'000'000, 10'000'000'000)), QStringLiteral("1.5 GB \u00B7 15%"));
    EXPECT_EQ(storageUsedText(std::nullopt), QStringLiteral("\u2014"));
}

TEST(TrayPopover, TheGlassPillsFollowTheRun) {
    Harness h;
    h.app.setKeldraStatus(storage(1'500'000'000, 10'000'000'000));
    h.app.setIndexFigures(1234, 0);
    test::drainEvents();
    EXPECT_EQ(h.popover->storagePill()->value(), "1.5 GB");
    EXPECT_EQ(h.popover->storagePill()->extra(), "15%");
    EXPECT_EQ(h.popover->secondPill()->label(), "Files");
    EXPECT_FALSE(h.popover->progressBar());
    h.app.setIsRunning(true);
    h.app.setCurrentSpeed(2'400'000);
    test::drainEvents();
    EXPECT_EQ(h.popover->secondPill()->label(), "Up");
    EXPECT_EQ(h.popover->secondPill()->extra(), "MB/s");
    EXPECT_TRUE(h.popover->progressBar());
}

TEST(TrayPopover, OpenAppWritesTheSectionOnlyWhenReady) {
    for (AppPhase phase : {AppPhase::ready, AppPhase::signedOut, AppPhase::unlock}) {
        SCOPED_TRACE(int(phase));
        Harness h;
        h.app.setPhase(phase);
        h.popover->openApp(AppSection::settings);
        EXPECT_EQ(h.app.section(), phase == AppPhase::ready ? AppSection::settings : AppSection::overview);
        EXPECT_EQ(h.opened, 1) << "the window comes forward in every phase";
    }
}

TEST(TrayPopover, ReviewEndsOnTheOverview) {
    Harness h;
    h.app.setSection(AppSection::activity);
    h.popover->runPrimaryAction(PrimaryAction::review);
    EXPECT_EQ(h.app.calls().back(), "perform review");
    EXPECT_EQ(h.app.section(), AppSection::overview);
    EXPECT_EQ(h.opened, 1);
    h.popover->runPrimaryAction(PrimaryAction::backUpNow);
    EXPECT_EQ(h.opened, 1) << "other actions stay in the popover";
}

TEST(TrayPopover, TheStyleFollowsThePreferenceAndOnlySignalHasShortcuts) {
    const struct {
        PopoverStyle preference;
        OLStyle window;
        bool signal;
    } cases[] = {
        {PopoverStyle::match, OLStyle::glass, false},
        {PopoverStyle::match, OLStyle::signal, true},
        {PopoverStyle::glass, OLStyle::signal, false},
        {PopoverStyle::signal, OLStyle::glass, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.preference) << " " << int(c.window));
        Harness h(c.preference);
        h.app.persistStyle(c.window);
        test::drainEvents();
        EXPECT_EQ(h.popover->isSignal(), c.signal);
        EXPECT_EQ(olTheme(h.popover.get()).style, c.signal ? OLStyle::signal : OLStyle::glass);
        EXPECT_EQ(h.popover->openShortcut() != nullptr, c.signal);
        EXPECT_EQ(h.popover->quitShortcut() != nullptr, c.signal);
        if (c.signal) {
            EXPECT_EQ(h.popover->openShortcut()->key(), QKeySequence(QStringLiteral("Ctrl+O")));
            emit h.popover->quitShortcut()->activated();
            EXPECT_EQ(h.quits, 1);
            emit h.popover->openShortcut()->activated();
            EXPECT_EQ(h.opened, 1);
        }
    }
}

TEST(TrayPopover, TheSignalChipAndRows) {
    Harness h(PopoverStyle::signal);
    h.app.setHealth(BackupHealth::protectedState());
    h.app.setPrimaryAction(PrimaryAction::backUpNow);
    test::drainEvents();
    EXPECT_EQ(h.popover->chip()->label(), "PROTECTED");
    ASSERT_TRUE(h.popover->dataList());
    const auto& rows = h.popover->dataList()->rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].value, "Never");
    EXPECT_EQ(rows[0].tone, StatusTone::warning);
    EXPECT_EQ(rows[2].value, QStringLiteral("\u2014"));
    EXPECT_EQ(h.popover->speedText()->text(), QStringLiteral("\u2014"));
    ASSERT_TRUE(h.popover->primaryButton());
    EXPECT_EQ(h.popover->primaryButton()->title(), "Back up now");

    h.app.setPrimaryAction(std::nullopt);
    test::drainEvents();
    EXPECT_FALSE(h.popover->primaryButton()) << "no action, no button";
}

TEST(TrayPopover, TheSignalOpenLinkFollowsAnAccentChange) {
    // With and without the status block: the footer is there in both.
    for (AppPhase phase : {AppPhase::ready, AppPhase::signedOut}) {
        Harness h(PopoverStyle::signal);
        h.app.setPhase(phase);
        test::drainEvents();
        for (OLAccent accent : {OLAccent::teal, OLAccent::snow, OLAccent::frost}) {
            SCOPED_TRACE(testing::Message() << "phase " << int(phase) << " accent " << int(accent));
            h.app.persistAccent(accent);
            test::drainEvents();
            ASSERT_TRUE(h.popover->openLink());
            EXPECT_EQ(h.popover->openLink()->color(), accentColor(accent));
        }
    }
    Harness glass(PopoverStyle::glass);
    EXPECT_FALSE(glass.popover->openLink()) << "the glass footer has a button instead";
}

TEST(TrayPopover, TheOrbRunsTheActionOrOpensTheApp) {
    Harness h;
    h.app.setPrimaryAction(std::nullopt);
    test::drainEvents();
    ASSERT_TRUE(h.popover->orb());
    h.popover->orb()->click();
    EXPECT_EQ(h.opened, 1);
    h.app.setPrimaryAction(PrimaryAction::backUpNow);
    test::drainEvents();
    h.popover->orb()->click();
    EXPECT_EQ(h.app.calls().back(), "perform backUpNow");
}

} // namespace
} // namespace keldra
