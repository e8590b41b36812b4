#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "screens/restore/NodeRowDelegate.h"
#include "screens/restore/RestoreRowsModel.h"
#include "screens/restore/RestoreTexts.h"
#include "screens/restore/SkeletonRow.h"
#include "tests/ui/kit/KitTest.h"
#include "tests/ui/support/UiTest.h"

#include <QListView>
#include <QLocale>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace keldra {
namespace {

RemoteEntry entry(int id, const std::string& path, std::optional<std::string> created = std::nullopt,
                  std::int64_t size = 1500) {
    KeldraFile file;
    file.id = FlexID(static_cast<std::int64_t>(id));
    file.createdAt = std::move(created);
    file.sizeBytes = FlexInt(size);
    return RemoteEntry{file, path};
}

// /a/{b/{c/{deep.txt}, one.txt}, two.txt} and /z.txt with two versions.
std::vector<RestoreNodePtr> sampleTree() {
    std::map<std::string, std::vector<RemoteEntry>> byPath;
    byPath["/a/b/c/deep.txt"] = {entry(1, "/a/b/c/deep.txt")};
    byPath["/a/b/one.txt"] = {entry(2, "/a/b/one.txt")};
    byPath["/a/two.txt"] = {entry(3, "/a/two.txt")};
    byPath["/z.txt"] = {entry(5, "/z.txt", "2026-01-02 10:00:00", 2'500'000), entry(4, "/z.txt")};
    return RestoreNode::buildTree(byPath);
}

class RestoreRows : public testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    QStringList names() const {
        QStringList out;
        for (int i = 0; i < rows.rowCount(); ++i) {
            out << rows.data(rows.index(i), Qt::DisplayRole).toString() + "@" +
                       QString::number(rows.row(i).depth);
        }
        return out;
    }

    RestoreRowsModel rows{[] {
        return SystemClock().now();
    }};
};

TEST_F(RestoreRows, OpeningAndClosingTouchOnlyTheSubtreeAndOpenDescendantsComeBack) {
    const auto tree = sampleTree();
    rows.showTree(tree);
    EXPECT_EQ(names(), (QStringList{"a@0", "z.txt@0"}));
    QSignalSpy resets(&rows, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&rows, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&rows, &QAbstractItemModel::rowsRemoved);

    rows.toggle(0);
    EXPECT_EQ(names(), (QStringList{"a@0", "b@1", "two.txt@1", "z.txt@0"}));
    rows.toggle(1);
    rows.toggle(2);
    EXPECT_EQ(names(), (QStringList{"a@0", "b@1", "c@2", "deep.txt@3", "one.txt@2", "two.txt@1", "z.txt@0"}));
    ASSERT_EQ(inserted.count(), 3);
    EXPECT_EQ(inserted[2][1].toInt(), 3);
    EXPECT_EQ(inserted[2][2].toInt(), 3);

    // Closing "a" removes its whole shown subtree in one step; reopening brings the open ones back.
    rows.toggle(0);
    EXPECT_EQ(names(), (QStringList{"a@0", "z.txt@0"}));
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 1);
    EXPECT_EQ(removed[0][2].toInt(), 5);
    rows.toggle(0);
    EXPECT_EQ(names().size(), 7);
    EXPECT_EQ(resets.count(), 0);

    // Files and search rows do not toggle; the open set survives a new listing.
    rows.toggle(6);
    EXPECT_EQ(names().size(), 7);
    rows.showTree(sampleTree());
    EXPECT_EQ(names().size(), 7);
    rows.showSearch({tree[1]});
    rows.toggle(0);
    EXPECT_EQ(names(), (QStringList{"z.txt@0"}));
    EXPECT_EQ(rows.expanded(), (std::set<std::string>{"/a", "/a/b", "/a/b/c"}));
}

TEST_F(RestoreRows, RowTextsAreWorkedOutOnceAndSelectionRepaintsItsRows) {
    const auto tree = sampleTree();
    rows.showTree(tree);
    const RestoreRowsModel::RowTexts& folder = rows.texts(0);
    EXPECT_EQ(folder.size, "3 files");
    EXPECT_EQ(folder.date, "");
    EXPECT_EQ(folder.versions, "");
    EXPECT_EQ(folder.accessible, "Folder a, 3 files");
    const RestoreRowsModel::RowTexts& file = rows.texts(1);
    EXPECT_EQ(file.size, "2.5 MB");
    EXPECT_EQ(file.versions, "2 versions");
    EXPECT_FALSE(file.date.isEmpty());
    EXPECT_EQ(file.accessible, "File z.txt");
    EXPECT_EQ(rows.data(rows.index(1), Qt::AccessibleTextRole).toString(), "File z.txt");
    EXPECT_EQ(&rows.texts(1), &file);

    QSignalSpy changed(&rows, &QAbstractItemModel::dataChanged);
    rows.setSelectedId("/z.txt");
    EXPECT_TRUE(rows.isSelected(1));
    rows.setSelectedId("/a");
    EXPECT_TRUE(rows.isSelected(0));
    EXPECT_FALSE(rows.isSelected(1));
    EXPECT_EQ(changed.count(), 3); // z on, z off, a on
}

TEST_F(RestoreRows, DrawnRowsFollowStyleAndSelection) {
    rows.showTree(sampleTree());
    QListView list;
    list.setModel(&rows);
    list.setItemDelegate(new NodeRowDelegate(&list));
    list.setUniformItemSizes(true);
    list.resize(700, 200);
    list.setStyleSheet("QListView { background: #3B4252; }");
    rows.setSelectedId("/a");
    const QColor base(0x3B, 0x42, 0x52);
    for (const OLTheme theme :
         {OLTheme{OLStyle::glass, OLAccent::frost}, OLTheme{OLStyle::signal, OLAccent::teal}}) {
        SCOPED_TRACE(std::string(rawValue(theme.style)));
        olSetTheme(&list, theme);
        const QImage image = list.viewport()->grab().toImage();
        const QRect selected = list.visualRect(rows.index(0));
        const QColor tint = test::blend(selectionFill(theme).qcolor(), base);
        EXPECT_TRUE(test::near(image.pixelColor(selected.right() - 4, selected.top() + 3), tint));
        const QColor edge = image.pixelColor(selected.left(), selected.center().y());
        if (isGlass(theme)) {
            EXPECT_TRUE(test::near(edge, tint));
        } else {
            EXPECT_TRUE(test::near(edge, accentColor(theme).qcolor()));
        }
        const QRect other = list.visualRect(rows.index(1));
        EXPECT_TRUE(test::near(image.pixelColor(other.right() - 4, other.top() + 3), base));
    }
}

TEST(RestoreTexts, ProgressSummaryAndWordingTables) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    struct Progress {
        int done, total;
        std::int64_t bytesDone, bytesTotal;
        double fraction;
    };
    for (const Progress& p : std::vector<Progress>{{0, 3, 0, 0, 0},
                                                   {1, 4, 0, 0, 0.25},
                                                   {1, 4, 10, 40, 0.25},
                                                   {9, 4, 0, 0, 1},
                                                   {0, 4, -5, 40, 0},
                                                   {0, 0, 99, 0, 0},
                                                   {0, 1, INT64_MAX, 1, 1}}) {
        RestoreProgress progress;
        progress.done = p.done;
        progress.total = p.total;
        progress.bytesDone = p.bytesDone;
        progress.bytesTotal = p.bytesTotal;
        EXPECT_DOUBLE_EQ(progressFraction(progress), p.fraction) << p.done << "/" << p.total;
    }
    RestoreProgress beyond;
    beyond.done = 7;
    beyond.total = 3;
    EXPECT_EQ(progressText(beyond), "Restoring 3 of 3");

    EXPECT_EQ(summaryBanner(RestoreSummary{}).tone, StatusTone::secure);
    RestoreSummary failed;
    failed.failures = {{"/x/a\nb", "bad\x1b[31m"}};
    const BannerText banner = summaryBanner(failed);
    EXPECT_EQ(banner.tone, StatusTone::warning);
    EXPECT_EQ(banner.title, "1 files weren't restored");
    EXPECT_EQ(banner.message, "a\\x0Ab: bad\\x1B[31m");

    EXPECT_EQ(deleteButtonTitle(false, std::nullopt), QString::fromUtf8("Delete from Keldra\u2026"));
    EXPECT_EQ(deleteButtonTitle(true, RestoreSource::drive("d", "m")), QString::fromUtf8("Deleting\u2026"));
    EXPECT_EQ(deleteDialogTitle(std::nullopt), "Delete from your Keldra?");
    EXPECT_EQ(listedLine(std::nullopt, SystemClock().now(), SystemClock().now(), 12345, 67890),
              "Listed from your Keldra just now. 12,345 files, 67,890 versions.");
    EXPECT_EQ(unreadableNotice(3), "3 items in this folder don't open with your key and aren't shown.");
    EXPECT_FALSE(isSearchQuery(" \t a \t"));
    EXPECT_TRUE(isSearchQuery(" ab "));
}

TEST(SkeletonRowMotion, PulsesOnlyWhileShownAndStaysStillWithoutAnimations) {
    {
        SkeletonRow row;
        row.resize(400, 30);
        row.show();
        EXPECT_FALSE(row.isPulsing());
        EXPECT_EQ(row.phase(), 0);
        const QImage still = test::grab(&row);
        EXPECT_TRUE(test::near(still.pixelColor(8, 15), QColor(0x3B, 0x42, 0x52)));
    }
    test::AnimationsOn on;
    SkeletonRow row;
    row.resize(400, 30);
    row.show();
    EXPECT_TRUE(row.isPulsing());
    EXPECT_TRUE(QTest::qWaitFor([&] { return row.phase() > 0; }, 10000));
    row.hide();
    EXPECT_FALSE(row.isPulsing());
}

} // namespace
} // namespace keldra
