#include "screens/activity/ActivityView.h"

#include "core/events/Formatters.h"
#include "core/settings/BackupSource.h"
#include "design/button/OLButton.h"
#include "design/controls/OLProgressBar.h"
#include "design/data/DataList.h"
#include "design/data/RunLogList.h"
#include "design/text/OLText.h"
#include "design/theme/ThemeScope.h"
#include "gallery/fake/FakeAppModel.h"
#include "screens/activity/FailureRow.h"
#include "screens/activity/RunRow.h"
#include "screens/activity/RunTexts.h"
#include "tests/support/QtApp.h"

#include <QCoreApplication>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace keldra {
namespace {

using namespace std::chrono_literals;

RunRecord run(std::int64_t id, RunStatus status = RunStatus::succeeded) {
    RunRecord record;
    record.id = id;
    record.startedAt = SystemTime(std::chrono::seconds(1'700'000'000 + id * 3600));
    record.finishedAt = record.startedAt + 65s;
    record.status = status;
    record.trigger = "Manual";
    record.scanned = 1200;
    record.uploaded = 3;
    record.uploadedBytes = 2'500'000;
    return record;
}

std::vector<RunFailure> failures(int count, const std::string& prefix = "/home/ada/file") {
    std::vector<RunFailure> list;
    for (int i = 0; i < count; ++i) {
        list.push_back({i + 1, prefix + std::to_string(i), "Permission denied"});
    }
    return list;
}

bool contains(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

TEST(ActivityView, TheHeaderShowsPauseBackUpNowOrNothingAndNeverADisabledButton) {
    const struct {
        bool running;
        bool canBackUp;
        bool pause;
        bool backUp;
    } cases[] = {
        {true, true, true, false},
        {true, false, true, false},
        {false, true, false, true},
        {false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "running " << c.running << " can back up " << c.canBackUp);
        FakeAppModel app;
        app.setIsRunning(c.running);
        app.setCanBackUpNow(c.canBackUp);
        ActivityView view(app);
        test::drainEvents();
        EXPECT_EQ(view.pauseButton()->isVisibleTo(&view), c.pause);
        EXPECT_EQ(view.backUpButton()->isVisibleTo(&view), c.backUp);
        EXPECT_TRUE(view.pauseButton()->isEnabled());
        EXPECT_TRUE(view.backUpButton()->isEnabled());
    }
}

TEST(ActivityView, BackUpNowLiftsAUserPauseFirstAndPauseStopsTheRun) {
    FakeAppModel app;
    app.setCanBackUpNow(true);
    app.setPaused(true);
    ActivityView view(app);
    app.clearCalls();
    view.backUpButton()->click();
    EXPECT_EQ(app.calls(), (std::vector<std::string>{"setPaused false", "runBackup Manual cloud"}));

    app.setIsRunning(true);
    test::drainEvents();
    app.clearCalls();
    view.pauseButton()->click();
    EXPECT_EQ(app.calls(), (std::vector<std::string>{"setPaused true"}));
}

TEST(ActivityView, SelectsTheNewestRunAndMovesWithANewOneOnlyWhileIdle) {
    FakeAppModel app;
    app.setRuns({run(2), run(1)});
    app.setFailures(2, failures(1));
    ActivityView view(app);
    test::drainEvents();
    EXPECT_EQ(view.selectedID(), 2);
    EXPECT_TRUE(contains(app.calls(), "refreshRuns"));
    EXPECT_TRUE(contains(app.calls(), "failures 2"));
    EXPECT_EQ(view.failures().size(), 1u);
    ASSERT_EQ(view.rows().size(), 2u);
    EXPECT_TRUE(view.rows()[0]->isSelected());

    // The user picks the older run; a run starts and records a new newest one: the selection stays.
    view.rows()[1]->setFocus();
    QTest::mouseClick(view.rows()[1], Qt::LeftButton);
    EXPECT_EQ(view.selectedID(), 1);
    app.setIsRunning(true);
    app.setRuns({run(3, RunStatus::running), run(2), run(1)});
    test::drainEvents();
    EXPECT_EQ(view.selectedID(), 1);
    EXPECT_TRUE(view.rows()[2]->isSelected());

    // Idle, the next new newest run takes the selection.
    app.setIsRunning(false);
    app.setRuns({run(4), run(3), run(2), run(1)});
    test::drainEvents();
    EXPECT_EQ(view.selectedID(), 4);
    EXPECT_TRUE(view.detailCard());

    // A selection no longer among the runs shows no detail card.
    view.select(9);
    test::drainEvents();
    EXPECT_FALSE(view.detailCard());
}

TEST(ActivityView, WithoutRunsTheListSaysSoAndNothingIsSelected) {
    FakeAppModel app;
    ActivityView view(app);
    test::drainEvents();
    EXPECT_FALSE(view.selectedID());
    EXPECT_TRUE(view.emptyText()->isVisibleTo(&view));
    EXPECT_EQ(view.emptyText()->text(), "No backups yet.");
    EXPECT_FALSE(view.detailCard());
    EXPECT_TRUE(view.logList()->isVisibleTo(&view));
}

TEST(ActivityView, AnOlderFailureLoadFinishingLastIsDropped) {
    FakeAppModel app;
    app.setRuns({run(2), run(1)});
    app.setFailures(1, failures(3, "/old/"));
    app.setFailures(2, failures(5, "/new/"));
    app.holdFailures(true);
    ActivityView view(app);
    view.select(1);
    view.select(2);
    EXPECT_TRUE(view.failures().empty()) << "a new selection shows no failures of the previous one";
    app.releaseFailures(2);
    test::drainEvents();
    ASSERT_EQ(view.failures().size(), 5u);
    app.releaseFailures(1);
    test::drainEvents();
    ASSERT_EQ(view.failures().size(), 5u) << "the slower, older load does not replace the newest";
    EXPECT_EQ(view.failures().front().path, "/new/0");
}

TEST(ActivityView, TheLiveCardShowsTheWholePercentage) {
    const auto progress = [](std::int64_t filesTotal, std::int64_t filesDone, std::int64_t bytesTotal,
                             std::int64_t bytesDone) {
        RunProgress value;
        value.filesTotal = filesTotal;
        value.filesDone = filesDone;
        value.bytesTotal = bytesTotal;
        value.bytesDone = bytesDone;
        return value;
    };
    const struct {
        const char* name;
        RunProgress progress;
        const char* shown;
    } cases[] = {
        {"files 1 of 4", progress(4, 1, 0, 0), "25%"},
        {"no totals", progress(0, 0, 0, 0), "0%"},
        {"bytes overshoot", progress(4, 1, 100, 150), "100%"},
        {"bytes win over files", progress(4, 1, 1000, 999), "99%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeAppModel app;
        app.setIsRunning(true);
        app.setProgress(c.progress);
        ActivityView view(app);
        test::drainEvents();
        EXPECT_TRUE(view.liveCard()->isVisibleTo(&view));
        EXPECT_EQ(view.livePercent()->text(), QString::fromLatin1(c.shown));
    }
    FakeAppModel idle;
    ActivityView view(idle);
    EXPECT_FALSE(view.liveCard()->isVisibleTo(&view));
}

TEST(ActivityView, TheLiveLineIsThePathElseThePhase) {
    FakeAppModel app;
    app.setIsRunning(true);
    RunProgress progress;
    progress.phase = RunPhase::scanning;
    app.setProgress(progress);
    ActivityView view(app);
    EXPECT_EQ(view.liveLine()->text(), "Looking for changes");
    progress.currentPath = "/home/ada/Documents/a.txt";
    app.setProgress(progress);
    EXPECT_EQ(view.liveLine()->text(), "/home/ada/Documents/a.txt");
}

TEST(RunTexts, CellsAndDetailRowsOfOddRuns) {
    RunRecord nothingUploaded = run(1);
    nothingUploaded.uploaded = 0;
    nothingUploaded.uploadedBytes = 0;
    EXPECT_EQ(runUploadedCell(nothingUploaded), QStringLiteral("\u2014"));
    const auto rows = runDetailRows(nothingUploaded);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[2].value, QStringLiteral("0 \u00B7 Zero KB")) << "the detail keeps the count and the size";
    EXPECT_FALSE(rows[4].tone);
    EXPECT_EQ(rows[6].value, "1m 5s");
    for (const auto& row : rows) {
        EXPECT_FALSE(row.copyable);
    }

    RunRecord unfinished = run(2, RunStatus::running);
    unfinished.finishedAt.reset();
    unfinished.failed = 1;
    EXPECT_EQ(runDurationText(unfinished), QStringLiteral("\u2014"));
    EXPECT_EQ(runDetailRows(unfinished)[4].tone, StatusTone::warning);

    RunRecord backwards = run(3);
    backwards.finishedAt = backwards.startedAt - 30s;
    EXPECT_EQ(runDurationText(backwards), "0s") << "a clock set back never shows a negative duration";

    EXPECT_EQ(runStatusTitle(RunStatus::paused), "Paused for review");
    EXPECT_EQ(runStatusTone(RunStatus::blocked), StatusTone::danger);
    EXPECT_EQ(runStatusTone(RunStatus::cancelled), StatusTone::warning);
}

TEST(ActivityView, TwoHundredFiftyFailuresCountAllAndDrawTwoHundred) {
    FakeAppModel app;
    app.setRuns({run(1, RunStatus::partial)});
    app.setFailures(1, failures(250));
    ActivityView view(app);
    test::drainEvents();
    ASSERT_TRUE(view.failuresLabel());
    EXPECT_EQ(view.failuresLabel()->text(), QStringLiteral("Not backed up \u00B7 250"));
    EXPECT_EQ(view.failureRowCount(), 200);
}

TEST(ActivityView, AFailureIsShownInFilesByItsExpandedPath) {
    FakeAppModel app;
    app.setRuns({run(1, RunStatus::partial)});
    app.setFailures(1, {{1, "~/Documents/gone.txt", "Permission denied"}});
    ActivityView view(app);
    test::drainEvents();
    ASSERT_TRUE(view.detailCard());
    auto* row = view.detailCard()->findChild<FailureRow*>();
    ASSERT_TRUE(row);
    std::unique_ptr<QMenu> menu(row->makeMenu(nullptr));
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Show in Files");
    menu->actions()[0]->trigger();
    EXPECT_EQ(app.calls().back(),
              "revealInFiles " + BackupSource::expandPath("~/Documents/gone.txt").string());
}

TEST(ActivityView, ARowShowsItsCells) {
    FakeAppModel app;
    RunRecord record = run(1);
    record.uploaded = 0;
    record.finishedAt.reset();
    app.setRuns({record});
    ActivityView view(app);
    test::drainEvents();
    ASSERT_EQ(view.rows().size(), 1u);
    EXPECT_EQ(view.rows()[0]->uploadedText(), QStringLiteral("\u2014"));
    EXPECT_EQ(view.rows()[0]->tookText(), QStringLiteral("\u2014"));
    EXPECT_EQ(view.rows()[0]->resultText(), "Completed");
}

TEST(ActivityView, AnUpdateOfOneRunLeavesTheOtherRowsAsTheyAre) {
    FakeAppModel app;
    std::vector<RunRecord> history;
    for (std::int64_t id = 200; id >= 1; --id) {
        history.push_back(run(id));
    }
    history.front().status = RunStatus::running;
    history.front().finishedAt.reset();
    app.setRuns(history);
    ActivityView view(app);
    test::drainEvents();
    ASSERT_EQ(view.rows().size(), 200u);
    std::vector<QPointer<RunRow>> before(view.rows().begin(), view.rows().end());

    // The running run finishes; one more run is recorded on top; the oldest one is gone.
    history.front().status = RunStatus::succeeded;
    history.front().finishedAt = history.front().startedAt + 65s;
    history.pop_back();
    history.insert(history.begin(), run(201, RunStatus::running));
    app.setRuns(history);
    test::drainEvents();

    ASSERT_EQ(view.rows().size(), 200u);
    EXPECT_EQ(view.rows()[0]->run().id, 201);
    for (std::size_t i = 0; i + 1 < before.size(); ++i) {
        ASSERT_FALSE(before[i].isNull()) << "row " << i << " was built again";
        EXPECT_EQ(view.rows()[i + 1], before[i].data()) << "row " << i << " moved out of its order";
    }
    EXPECT_TRUE(before.back().isNull()) << "the dropped run keeps its row";
    EXPECT_EQ(view.rows()[1]->resultText(), "Completed");
    EXPECT_EQ(view.rows()[1]->tookText(), QString::fromStdString(formatDuration(65)));
}

TEST(ActivityView, ALogLineThatWrapsKeepsItsSecondLine) {
    const std::string reason = "Upload link: retrying in 16s (Could not resolve host: storage.example.net; "
                               "the network may be down or a proxy may refuse the connection)";
    for (const OLStyle style : {OLStyle::glass, OLStyle::signal}) {
        SCOPED_TRACE(style == OLStyle::glass ? "glass" : "signal");
        FakeAppModel app;
        app.setRuns({run(1)});
        app.setLog(
            {LogLine::make("Scanning", LogLine::Tone::info, SystemTime(std::chrono::seconds(1'700'000'000))),
             LogLine::make(reason, LogLine::Tone::warning, SystemTime(std::chrono::seconds(1'700'000'010))),
             LogLine::make("Done", LogLine::Tone::ok, SystemTime(std::chrono::seconds(1'700'000'020)))});
        QWidget window;
        olSetTheme(&window, OLTheme{style, OLAccent::frost, 999});
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* view = new ActivityView(app, &window);
        layout->addWidget(view);
        window.resize(960, 760);
        window.show();
        test::drainEvents();

        OLText* text = nullptr;
        for (OLText* candidate : view->logList()->findChildren<OLText*>()) {
            if (candidate->text() == QString::fromStdString(reason))
                text = candidate;
        }
        ASSERT_NE(text, nullptr);
        const int oneLine = QFontMetrics(text->styleFont()).height();

        ASSERT_GT(text->heightForWidth(text->width()), oneLine) << "the line is long enough to wrap here";
        EXPECT_GE(text->height(), text->heightForWidth(text->width())) << "the second line is cut off";
        // The row holds the whole text, and the next row starts below it.
        QWidget* row = text->parentWidget();
        EXPECT_LE(text->geometry().bottom(), row->height());
        const QList<QWidget*> rows = view->logList()->rowWidgets();
        const auto at = rows.indexOf(row);
        ASSERT_GE(at, 0);
        ASSERT_LT(at + 1, rows.size());
        EXPECT_GE(rows[at + 1]->y(), row->geometry().bottom());
    }
}

} // namespace
} // namespace keldra
