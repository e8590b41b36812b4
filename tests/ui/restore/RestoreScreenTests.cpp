#include "design/controls/OLMenuPicker.h"
#include "design/controls/OLSearchField.h"
#include "design/status/StateBanner.h"
#include "design/text/OLText.h"
#include "screens/restore/NodeRowDelegate.h"
#include "tests/ui/restore/RestoreViewFixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>

namespace keldra::test {
namespace {

using State = RestoreListPane::State;

class RestoreScreen : public RestoreViewTest {};

TEST_F(RestoreScreen, ListStatesFollowTheModelInTheirOrder) {
    writeHome("Documents/notes.txt", "n");
    backUpToKeldra();
    RestoreView& view = show();
    ASSERT_EQ(view.listPane()->state(), State::listing);
    EXPECT_EQ(shownNames(), QStringList{"Documents"});

    struct Case {
        const char* name;
        std::function<void()> change;
        State expected;
    };
    const std::vector<Case> cases{
        // A reload keeps the list shown.
        {"reloading a tree", [&] { model_->setIsLoading(true); }, State::listing},
        {"a load error replaces the tree", [&] { model_->setLoadError("That drive isn't connected."); },
         State::failed},
        // Loading without a tree comes first.
        {"no tree, still loading", [&] { model_->setTree({}); }, State::loading},
        {"loaded with the error", [&] { model_->setIsLoading(false); }, State::failed},
        {"error cleared, loading again",
         [&] {
             model_->setLoadError(std::nullopt);
             model_->setIsLoading(true);
         },
         State::loading},
        {"loaded, nothing backed up", [&] { model_->setIsLoading(false); }, State::empty},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        drain();
        EXPECT_EQ(view.listPane()->state(), c.expected);
    }
    model_->setLoadError("That drive isn't connected.");
    drain();
    StateBanner* banner = view.listPane()->failureBanner();
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->titleText()->text(), "Couldn't load your Keldra");
    EXPECT_EQ(banner->messageText()->text(), "That drive isn't connected.");
    EXPECT_FALSE(banner->dismissButton());

    // "Try again" loads again, with force, and recovers the listing.
    click(banner->actionButton());
    settle();
    EXPECT_EQ(view.listPane()->state(), State::listing);
    EXPECT_EQ(shownNames(), QStringList{"Documents"});
}

TEST_F(RestoreScreen, TreeClicksSelectFoldersOpenAndCloseOnlyTheirRows) {
    writeHome("Documents/Reports/q1.txt", "1");
    writeHome("Documents/Reports/q2.txt", "2");
    writeHome("Documents/notes.txt", "n");
    backUpToKeldra();
    show();
    QSignalSpy resets(&rows(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&rows(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&rows(), &QAbstractItemModel::rowsRemoved);

    clickRow(rowNamed("Documents"));
    EXPECT_EQ(shownNames(), (QStringList{"Documents", "Reports", "notes.txt"}));
    ASSERT_TRUE(model_->selection());
    EXPECT_EQ(model_->selection()->id, "~/Documents");
    EXPECT_FALSE(model_->selectedVersionID());

    clickRow(rowNamed("Reports"));
    EXPECT_EQ(shownNames(), (QStringList{"Documents", "Reports", "q1.txt", "q2.txt", "notes.txt"}));

    // A file is only selected, with its newest version.
    clickRow(rowNamed("q2.txt"));
    EXPECT_EQ(model_->selection()->id, "~/Documents/Reports/q2.txt");
    EXPECT_EQ(model_->selectedVersionID(), node("~/Documents/Reports/q2.txt")->versions.front().file.id);
    EXPECT_EQ(shownNames().size(), 5);
    EXPECT_TRUE(rows().isSelected(rowNamed("q2.txt")));
    EXPECT_FALSE(rows().isSelected(rowNamed("Reports")));

    // Indentation: 16 + 18 per level, rows 36 high.
    for (const auto& [name, depth] :
         std::vector<std::pair<QString, int>>{{"Documents", 0}, {"Reports", 1}, {"q1.txt", 2}}) {
        SCOPED_TRACE(name.toStdString());
        const int row = rowNamed(name);
        EXPECT_EQ(rows().row(row).depth, depth);
        EXPECT_EQ(list().visualRect(rows().index(row)).height(), NodeRowDelegate::rowHeight);
    }
    const QImage image = list().viewport()->grab().toImage();
    for (const auto& [name, depth] : std::vector<std::pair<QString, int>>{{"Documents", 0}, {"Reports", 1}}) {
        SCOPED_TRACE(name.toStdString());
        const QRect rect = list().visualRect(rows().index(rowNamed(name)));
        const int indent = NodeRowDelegate::indent(depth);
        const QColor background = image.pixelColor(rect.left() + 2, rect.top() + 2);
        int leftmost = -1;
        for (int x = rect.left(); x < rect.left() + 120 && leftmost < 0; ++x) {
            for (int y = rect.top() + 4; y < rect.bottom() - 4; ++y) {
                if (!near(image.pixelColor(x, y), background, 12)) {
                    leftmost = x;
                    break;
                }
            }
        }
        EXPECT_GE(leftmost, rect.left() + indent);
        EXPECT_LT(leftmost, rect.left() + indent + 12);
    }

    // Clicking an open folder closes it and keeps it selected.
    clickRow(rowNamed("Reports"));
    EXPECT_EQ(shownNames(), (QStringList{"Documents", "Reports", "notes.txt"}));
    EXPECT_EQ(model_->selection()->id, "~/Documents/Reports");
    EXPECT_TRUE(rows().isSelected(rowNamed("Reports")));
    EXPECT_EQ(rows().expanded(), (std::set<std::string>{"~/Documents"}));

    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(removed.count(), 1);

    // The open folders stay open over a reload.
    load();
    drain();
    EXPECT_EQ(shownNames(), (QStringList{"Documents", "Reports", "notes.txt"}));
}

TEST_F(RestoreScreen, SearchStartsAtTwoCharactersAndRepeatsAnUnmatchedQueryAsTyped) {
    writeHome("Documents/Report 10.txt", "r10");
    writeHome("Documents/report 2.txt", "r2");
    writeHome("Documents/notes.txt", "n");
    backUpToKeldra();
    RestoreView& view = show();
    clickRow(rowNamed("Documents"));

    struct Case {
        const char* typed;
        QStringList names;
        std::optional<QString> noMatch;
    };
    const std::vector<Case> cases{
        {"r", {"Documents", "notes.txt", "report 2.txt", "Report 10.txt"}, std::nullopt},
        {"    ", {"Documents", "notes.txt", "report 2.txt", "Report 10.txt"}, std::nullopt},
        {" re", {"report 2.txt", "Report 10.txt"}, std::nullopt},
        {"zz  ", {}, QString::fromUtf8("No backed-up files match \u201Czz  \u201D.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        view.searchField()->lineEdit()->clear();
        QTest::keyClicks(view.searchField()->lineEdit(), QString::fromUtf8(c.typed));
        drain();
        EXPECT_EQ(model_->query(), c.typed);
        if (c.noMatch) {
            EXPECT_FALSE(view.listPane()->list()->isVisible());
            EXPECT_EQ(view.listPane()->noMatchText()->text(), *c.noMatch);
        } else {
            EXPECT_TRUE(view.listPane()->list()->isVisible());
            EXPECT_EQ(shownNames(), c.names);
        }
    }

    // Search rows show the path, are 48 high and only select.
    QTest::keyClicks(view.searchField()->lineEdit(), QString());
    view.searchField()->lineEdit()->clear();
    QTest::keyClicks(view.searchField()->lineEdit(), QStringLiteral("report"));
    drain();
    ASSERT_TRUE(rows().isSearch());
    EXPECT_EQ(rows().texts(0).path, "~/Documents/report 2.txt");
    EXPECT_EQ(list().visualRect(rows().index(0)).height(), NodeRowDelegate::rowHeightWithPath);
    const auto expandedBefore = rows().expanded();
    clickRow(1);
    EXPECT_EQ(model_->selection()->id, "~/Documents/Report 10.txt");
    EXPECT_EQ(rows().expanded(), expandedBefore);
}

TEST_F(RestoreScreen, HandedOverSearchAndFocusRequests) {
    writeHome("Documents/report.txt", "r");
    backUpToKeldra();
    host_->search = "rep";
    RestoreView& view = show();
    EXPECT_EQ(model_->query(), "rep");
    EXPECT_EQ(host_->search, "");
    EXPECT_EQ(view.searchField()->text(), "rep");
    EXPECT_TRUE(rows().isSearch());
    EXPECT_EQ(shownNames(), QStringList{"report.txt"});
    // No focus request yet: the field stays unfocused.
    EXPECT_FALSE(view.searchField()->isFocused());

    host_->requestFocus();
    drain();
    EXPECT_TRUE(view.searchField()->isFocused());

    // A later hand-over replaces the query; an empty one changes nothing.
    host_->setRestoreSearch("notes");
    drain();
    EXPECT_EQ(model_->query(), "notes");
    EXPECT_EQ(host_->search, "");
    host_->setRestoreSearch("");
    drain();
    EXPECT_EQ(model_->query(), "notes");
}

TEST_F(RestoreScreen, AFocusRequestMadeBeforeTheScreenOpensFocusesTheField) {
    host_->focusRequests = 2;
    RestoreView& view = show();
    EXPECT_TRUE(view.searchField()->isFocused());
    EXPECT_EQ(view.searchField()->shortcutHint() != nullptr, true);
}

TEST_F(RestoreScreen, ThePickerShowsWithTwoSourcesAndAChoiceReloadsThatSource) {
    writeHome("Documents/cloud.txt", "c");
    backUpToKeldra();
    RestoreView& view = show();
    EXPECT_EQ(model_->sourceOptions().size(), 1u);
    EXPECT_FALSE(view.sourcePicker());

    writeHome("Documents/drive.txt", "d");
    backUpToDrive();
    click(view.refreshButton());
    settle();
    ASSERT_EQ(model_->sourceOptions().size(), 2u);
    OLMenuPicker* picker = view.sourcePicker();
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->currentIndex(), 0);
    const auto requests = portalRequests("files-all");

    picker->menu()->actions().at(1)->trigger();
    settle();
    EXPECT_EQ(model_->listedSource(), RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    EXPECT_EQ(view.sourcePicker()->currentIndex(), 1);
    clickRow(rowNamed("Documents"));
    EXPECT_EQ(shownNames(), (QStringList{"Documents", "cloud.txt", "drive.txt"}));
    EXPECT_EQ(portalRequests("files-all"), requests); // the drive was listed, not the Keldra
}

TEST_F(RestoreScreen, DeleteDialogWordingFollowsTheListedSource) {
    writeHome("Documents/cloud.txt", "c");
    backUpToKeldra();
    backUpToDrive();
    RestoreView& view = show();

    struct Case {
        const char* name;
        std::optional<RestoreSource> source;
        bool select;
        QString title;
        QString message;
    };
    const QString tail = QStringLiteral(". If it's still in a backed-up folder on this computer, it will be "
                                        "backed up again on the next run.");
    const std::vector<Case> cases{
        {"keldra", RestoreSource::keldra(deviceFolder_), true, "Delete from your Keldra?",
         "This permanently deletes Documents and all its versions from your Keldra" + tail},
        {"drive", RestoreSource::drive("DEST-STUDIO", "mac-mini"), true, "Delete from this drive?",
         "This permanently deletes Documents and all its versions from this drive" + tail},
        {"drive, nothing selected", RestoreSource::drive("DEST-STUDIO", "mac-mini"), false,
         "Delete from this drive?",
         "This permanently deletes the selection and all its versions from this drive" + tail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model_->setSource(c.source);
        load();
        drain();
        if (c.select) {
            clickRow(rowNamed("Documents"));
            auto* button = card<QAbstractButton>("deleteButton");
            ASSERT_TRUE(button);
            EXPECT_EQ(button->text(), c.source->isDrive() ? QString::fromUtf8("Delete from drive\u2026")
                                                          : QString::fromUtf8("Delete from Keldra\u2026"));
            click(button);
        } else {
            view.confirmDelete();
        }
        QMessageBox* box = view.deleteDialog();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->windowModality(), Qt::WindowModal);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->text(), c.title);
        EXPECT_EQ(box->informativeText(), c.message);
        auto* remove = box->findChild<QAbstractButton*>(QStringLiteral("deleteEveryVersion"));
        ASSERT_TRUE(remove);
        EXPECT_EQ(remove->text(), "Delete every version");
        EXPECT_EQ(box->buttonRole(remove), QMessageBox::DestructiveRole);
        box->button(QMessageBox::Cancel)->click();
        drain();
        EXPECT_FALSE(view.deleteDialog());
        EXPECT_EQ(model_->catalog().byPath.size(), 1u); // cancel deletes nothing
    }
}

TEST_F(RestoreScreen, TheViewLetsGoOfAReplacedModel) {
    writeHome("Documents/notes.txt", "n");
    backUpToKeldra();
    RestoreView& view = show();
    ASSERT_EQ(view.model(), model_.get());
    auto replacement = std::make_unique<RestoreModel>(workers_, chooser_, revealer_);
    host_->replaceModel(replacement.get());
    drain();
    EXPECT_EQ(view.model(), replacement.get());
    EXPECT_EQ(view.listPane()->state(), State::empty);
    // The old model's changes no longer reach the screen.
    model_->setLoadError("gone");
    drain();
    EXPECT_EQ(view.listPane()->state(), State::empty);
    host_->replaceModel(nullptr);
    replacement.reset();
    drain();
    EXPECT_EQ(view.model(), nullptr);
}

} // namespace
} // namespace keldra::test
