// Every section page in the real window, both styles, at the default and the minimum window size: nothing
// sticks out of what its parent shows, no page needs a sideways scroll, no data text and no button title
// is cut.

#include "design/button/OLButton.h"
#include "design/text/OLText.h"
#include "gallery/RestoreGalleryDrive.h"
#include "gallery/fake/FakeAppModel.h"
#include "gallery/fake/FakeStates.h"
#include "onboarding/settings/SettingsView.h"
#include "screens/overview/GlassOverview.h"
#include "screens/root/RootView.h"
#include "screens/shell/SectionNames.h"
#include "tests/support/QtApp.h"

#include <QAbstractScrollArea>
#include <QFontMetrics>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace keldra {
namespace {

// A text of at most this many characters holds data (a date, a count, a status, a short name) and is never
// cut; a longer one (a path, a long name, a message) may be cut but keeps room for at least
// `elidedFloorCharacters` of its characters.
constexpr qsizetype shortTextLength = 24;
constexpr int elidedFloorCharacters = 8;

struct Scene {
    AppSection section;
    std::optional<SettingsTab> tab;
    const char* state;
    OLStyle style;
    QSize size;
};

void PrintTo(const Scene& scene, std::ostream* out) {
    *out << sectionTitle(scene.section).toStdString()
         << (scene.tab ? " " + settingsTabTitle(*scene.tab).toStdString() : std::string()) << " "
         << scene.state << (scene.style == OLStyle::glass ? " glass " : " signal ") << scene.size.width()
         << "x" << scene.size.height();
}

std::string describe(const QWidget* widget) {
    std::string text = widget->metaObject()->className();
    if (const auto* label = qobject_cast<const OLText*>(widget)) {
        text += " \"" + label->text().toStdString() + "\"";
    } else if (const auto* button = qobject_cast<const OLButton*>(widget)) {
        text += " \"" + button->title().toStdString() + "\"";
    }
    for (const QWidget* up = widget->parentWidget(); up; up = up->parentWidget()) {
        text += std::string(" < ") + up->metaObject()->className();
    }
    return text;
}

// The directions in which a parent shows more of its child by scrolling.
struct Scrolls {
    bool across = false;
    bool down = false;
};

Scrolls scrollsOf(const QWidget* parent) {
    const auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget());
    if (!area || area->viewport() != parent) {
        return {};
    }
    return {area->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff,
            area->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff};
}

void collectFaults(const QWidget* widget, std::vector<std::string>& faults) {
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(widget)) {
        if (area->horizontalScrollBar()->maximum() > 0) {
            faults.push_back("needs a sideways scroll: " + describe(widget));
        }
    }
    if (const auto* label = qobject_cast<const OLText*>(widget); label && label->isElided()) {
        if (label->text().size() <= shortTextLength) {
            faults.push_back("data text cut: " + describe(widget));
        } else if (label->width() <
                   elidedFloorCharacters * QFontMetrics(label->styleFont()).averageCharWidth()) {
            faults.push_back("text cut below the floor: " + describe(widget));
        }
    }
    if (const auto* button = qobject_cast<const OLButton*>(widget);
        button && button->width() < button->sizeHint().width()) {
        faults.push_back("button title cut: " + describe(widget));
    }
    const Scrolls scrolls = scrollsOf(widget);
    const QRect area = widget->rect();
    for (const QObject* object : widget->children()) {
        const auto* child = qobject_cast<const QWidget*>(object);
        if (!child || !child->isVisible() || child->isWindow()) {
            continue;
        }
        // A glow drawn around a control reaches past it on purpose and takes no input.
        if (child->testAttribute(Qt::WA_TransparentForMouseEvents)) {
            continue;
        }
        const QRect box = child->geometry();
        const bool outAcross = box.left() < area.left() || box.right() > area.right();
        const bool outDown = box.top() < area.top() || box.bottom() > area.bottom();
        if ((outAcross && !scrolls.across) || (outDown && !scrolls.down)) {
            faults.push_back("sticks out of its parent (" + std::to_string(box.x()) + "," +
                             std::to_string(box.y()) + " " + std::to_string(box.width()) + "x" +
                             std::to_string(box.height()) + " in " + std::to_string(area.width()) + "x" +
                             std::to_string(area.height()) + "): " + describe(child));
        }
        collectFaults(child, faults);
    }
}

struct Window {
    explicit Window(const Scene& scene) {
        model.persistStyle(scene.style);
        applyFakeState(model, scene.state);
        model.setSection(scene.section);
        if (scene.section == AppSection::restore) {
            gallery::listScriptedDrive(model);
        }
        root = std::make_unique<RootView>(model);
        root->resize(scene.size);
        root->show();
        test::drainEvents();
        if (scene.section == AppSection::restore) {
            gallery::openScriptedFile(root.get());
        }
        if (scene.tab) {
            auto* settings = root->findChild<SettingsView*>();
            EXPECT_NE(settings, nullptr);
            if (settings) {
                settings->setTab(*scene.tab);
            }
        }
        test::drainEvents();
    }

    FakeAppModel model;
    std::unique_ptr<RootView> root;
};

const QSize defaultSize(1200, 760);
const QSize minimumSize(RootView::minimumWidth, RootView::minimumHeight);

std::vector<Scene> scenes() {
    const struct {
        AppSection section;
        std::optional<SettingsTab> tab;
        const char* state;
    } pages[] = {
        {AppSection::overview, std::nullopt, "full-running"},
        {AppSection::overview, std::nullopt, "full-review"},
        {AppSection::backups, std::nullopt, "full-running"},
        {AppSection::restore, std::nullopt, "full-review"},
        {AppSection::activity, std::nullopt, "full-running"},
        {AppSection::activity, std::nullopt, "full-review"},
        {AppSection::settings, SettingsTab::general, "full-review"},
        {AppSection::settings, SettingsTab::backup, "full-review"},
        {AppSection::settings, SettingsTab::encryption, "full-review"},
        {AppSection::settings, SettingsTab::appearance, "full-review"},
        {AppSection::settings, SettingsTab::account, "full-review"},
    };
    std::vector<Scene> all;
    for (const auto& page : pages) {
        for (OLStyle style : {OLStyle::glass, OLStyle::signal}) {
            for (QSize size : {defaultSize, minimumSize}) {
                all.push_back({page.section, page.tab, page.state, style, size});
            }
        }
    }
    return all;
}

std::string sceneName(const testing::TestParamInfo<Scene>& info) {
    const Scene& scene = info.param;
    std::string name = sectionTitle(scene.section).toStdString();
    if (scene.tab) {
        name += settingsTabTitle(*scene.tab).toStdString();
    }
    name += std::string("_") + scene.state + "_" + (scene.style == OLStyle::glass ? "glass" : "signal") +
            "_" + std::to_string(scene.size.width()) + "x" + std::to_string(scene.size.height());
    for (char& c : name) {
        if (c == '-') {
            c = '_';
        }
    }
    return name;
}

class WindowLayout : public testing::TestWithParam<Scene> {};

TEST_P(WindowLayout, EveryPageFitsItsWindow) {
    Window window(GetParam());
    // The window keeps the size asked for: its content needs no more.
    EXPECT_EQ(window.root->size(), GetParam().size);
    std::vector<std::string> faults;
    collectFaults(window.root.get(), faults);
    for (const std::string& fault : faults) {
        ADD_FAILURE() << fault;
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, WindowLayout, testing::ValuesIn(scenes()), sceneName);

TEST(WindowLayout, TheOverviewsMainButtonShowsWithoutScrolling) {
    const struct {
        const char* state;
        QSize size;
    } cases[] = {{"full-review", defaultSize},
                 {"full-review", minimumSize},
                 {"ready-protected", minimumSize},
                 {"full-running", minimumSize}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.state) + " " + std::to_string(c.size.width()));
        Window window({AppSection::overview, std::nullopt, c.state, OLStyle::glass, c.size});
        auto* overview = window.root->findChild<GlassOverview*>();
        ASSERT_NE(overview, nullptr);
        QWidget* viewport = overview->scrollArea()->viewport();
        const auto buttons = overview->findChildren<OLButton*>();
        const auto primary = std::find_if(buttons.begin(), buttons.end(), [](OLButton* button) {
            return button->isVisible() && button->kind() == OLButtonKind::primary;
        });
        ASSERT_NE(primary, buttons.end());
        const QRect shown((*primary)->mapTo(viewport, QPoint(0, 0)), (*primary)->size());
        EXPECT_TRUE(viewport->rect().contains(shown))
            << (*primary)->title().toStdString() << " at " << shown.y() << ".." << shown.bottom() << " of "
            << viewport->height();
        EXPECT_EQ(overview->scrollArea()->verticalScrollBar()->value(), 0);
    }
}

} // namespace
} // namespace keldra
