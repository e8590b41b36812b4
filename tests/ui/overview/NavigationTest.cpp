#include "OverviewFixture.h"
#include "design/button/OLButton.h"
#include "design/controls/OLProgressBar.h"
#include "design/controls/OLSearchField.h"
#include "design/icon/OLIcon.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "screens/chrome/AccountCard.h"
#include "screens/chrome/GlassSidebar.h"
#include "screens/chrome/SidebarItem.h"
#include "screens/chrome/SidebarSourceRow.h"
#include "screens/chrome/SignalTopBar.h"
#include "screens/overview/GlassOverview.h"
#include "screens/overview/SignalOverview.h"
#include "screens/sources/SourcesColumn.h"

#include <QLineEdit>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace keldra {
namespace {

using test::Hosted;
using test::settle;

// Finds the control in a freshly built view of the model.
using Find = std::function<QWidget*(Hosted&)>;

template <typename View> View* viewOf(Hosted& hosted) {
    return hosted.scope->findChild<View*>();
}

TEST(Navigation, ControlsWriteTheSectionOnlyWhenItDiffers) {
    struct Case {
        const char* name;
        const char* state;
        OLStyle style;
        AppSection target;
        std::function<void(Hosted&)> build;
        Find control;
    };
    const auto sidebar = [](Hosted& h) {
        h.show<GlassSidebar>();
    };
    const auto topBar = [](Hosted& h) {
        h.show<SignalTopBar>();
    };
    const auto glass = [](Hosted& h) {
        h.show<GlassOverview>();
    };
    const auto signal = [](Hosted& h) {
        h.show<SignalOverview>();
    };
    std::vector<Case> cases;
    for (std::size_t i = 0; i < allSections.size(); ++i) {
        cases.push_back(
            {"sidebar item", "ready-protected", OLStyle::glass, allSections[i], sidebar, [i](Hosted& h) {
                 return viewOf<GlassSidebar>(h)->items()[i];
             }});
        cases.push_back(
            {"top bar tab", "ready-protected", OLStyle::signal, allSections[i], topBar, [i](Hosted& h) {
                 return viewOf<SignalTopBar>(h)->tabs()[i];
             }});
    }
    cases.push_back({"sidebar source row", "ready-protected", OLStyle::glass, AppSection::backups, sidebar,
                     [](Hosted& h) {
                         return viewOf<GlassSidebar>(h)->sourceRows()[1];
                     }});
    cases.push_back(
        {"account card", "ready-protected", OLStyle::glass, AppSection::settings, sidebar, [](Hosted& h) {
             return viewOf<GlassSidebar>(h)->accountCard();
         }});
    cases.push_back({"Manage", "ready-protected", OLStyle::glass, AppSection::backups, glass, [](Hosted& h) {
                         return viewOf<SourcesColumn>(h)->manageButton();
                     }});
    cases.push_back(
        {"Add folders", "ready-no-sources", OLStyle::glass, AppSection::backups, glass, [](Hosted& h) {
             return viewOf<SourcesColumn>(h)->addFoldersButton();
         }});
    cases.push_back(
        {"Restore files", "ready-protected", OLStyle::glass, AppSection::restore, glass, [](Hosted& h) {
             return viewOf<GlassOverview>(h)->restoreButton();
         }});
    cases.push_back(
        {"last-backup tile", "ready-protected", OLStyle::glass, AppSection::activity, glass, [](Hosted& h) {
             return viewOf<GlassOverview>(h)->lastBackupButton();
         }});
    cases.push_back(
        {"manage link", "ready-protected", OLStyle::signal, AppSection::backups, signal, [](Hosted& h) {
             return viewOf<SignalOverview>(h)->manageLink();
         }});
    cases.push_back(
        {"restore link", "ready-protected", OLStyle::signal, AppSection::restore, signal, [](Hosted& h) {
             return viewOf<SignalOverview>(h)->restoreLink();
         }});

    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(static_cast<int>(c.target)));
        for (bool already : {false, true}) {
            Hosted hosted(c.state, c.style);
            const AppSection start =
                already ? c.target
                        : (c.target == AppSection::overview ? AppSection::settings : AppSection::overview);
            hosted.model.setSection(start);
            c.build(hosted);
            QWidget* control = c.control(hosted);
            ASSERT_NE(control, nullptr);
            const int writes = hosted.model.sectionWrites();
            QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
            settle();
            EXPECT_EQ(hosted.model.section(), c.target);
            EXPECT_EQ(hosted.model.sectionWrites() - writes, already ? 0 : 1) << "already there: " << already;
        }
    }
}

TEST(Navigation, SearchSubmitsAsTypedSelectsRestoreAndEmptiesTheBox) {
    struct Case {
        const char* name;
        OLStyle style;
        std::function<OLSearchField*(Hosted&)> field;
    };
    const Case cases[] = {
        {"top bar", OLStyle::signal,
         [](Hosted& h) {
             return h.show<SignalTopBar>()->searchField();
         }},
        {"overview", OLStyle::glass,
         [](Hosted& h) {
             return h.show<GlassOverview>()->searchField();
         }},
    };
    for (const auto& c : cases) {
        for (const QString& typed : {QStringLiteral("  tax 2024.pdf "), QString()}) {
            SCOPED_TRACE(std::string(c.name) + " '" + typed.toStdString() + "'");
            Hosted hosted("ready-protected", c.style);
            hosted.model.setRestoreSearch("before");
            OLSearchField* field = c.field(hosted);
            ASSERT_TRUE(field->isVisible());
            QTest::keyClicks(field->lineEdit(), typed);
            QTest::keyClick(field->lineEdit(), Qt::Key_Return);
            settle();
            EXPECT_EQ(hosted.model.restoreSearch(), typed.toStdString());
            EXPECT_EQ(hosted.model.section(), AppSection::restore);
            EXPECT_TRUE(field->text().isEmpty());

            // The same text again changes nothing and keeps Restore.
            int searchChanges = 0;
            QObject::connect(&hosted.model, &AppModelView::restoreSearchChanged, [&] { ++searchChanges; });
            QTest::keyClicks(field->lineEdit(), typed);
            QTest::keyClick(field->lineEdit(), Qt::Key_Return);
            settle();
            EXPECT_EQ(searchChanges, 0);
            EXPECT_EQ(hosted.model.section(), AppSection::restore);
        }
    }
}

TEST(Navigation, SidebarListsFiveSourcesAndMarksTheUnreadable) {
    Hosted seven("ready-seven-sources");
    auto* sidebar = seven.show<GlassSidebar>();
    ASSERT_EQ(sidebar->sourceRows().size(), 5U);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(sidebar->sourceRows()[i]->source().id, seven.model.sources()[i].id);
    }

    Hosted unplugged("ready-unplugged-source");
    const auto& rows = unplugged.show<GlassSidebar>()->sourceRows();
    EXPECT_EQ(rows[0]->countText()->text(), "9,000");
    EXPECT_EQ(rows[1]->countText()->text(), "off");
    EXPECT_EQ(rows[1]->countText()->color(), OLColor::toneWarning);
    EXPECT_EQ(rows[1]->icon()->color(), OLColor::toneWarning);

    Hosted none("ready-no-sources");
    EXPECT_EQ(none.show<GlassSidebar>()->sourcesHeading(), nullptr);
}

TEST(Navigation, AccountCardSubtitleAndStorage) {
    struct Case {
        std::optional<std::string> plan;
        std::optional<std::string> email;
        bool account;
        const char* subtitle;
    };
    const Case cases[] = {
        {"Keldra 2 TB", "ada@example.com", true, "Keldra 2 TB"},
        {std::nullopt, "ada@example.com", true, "ada@example.com"},
        {std::nullopt, std::nullopt, false, "Keldra"},
    };
    for (const auto& c : cases) {
        Hosted hosted("ready-protected");
        if (c.account) {
            AccountInfo info;
            info.planName = c.plan;
            info.email = c.email;
            hosted.model.setAccount(info);
        }
        auto* card = hosted.show<GlassSidebar>()->accountCard();
        EXPECT_EQ(card->subtitle()->text(), c.subtitle);
        EXPECT_EQ(card->accessibleName(), "Account and storage");
    }

    Hosted full("ready-storage-95");
    auto* card = full.show<GlassSidebar>()->accountCard();
    ASSERT_NE(card->storageBar(), nullptr);
    EXPECT_EQ(card->storageText()->text(), "475 GB of 500 GB");
    KeldraStatus none;
    full.model.setKeldraStatus(none);
    settle();
    EXPECT_EQ(card->storageBar(), nullptr) << "a quota of 0 hides the storage block";
}

} // namespace
} // namespace keldra
