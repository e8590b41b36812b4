// Every section page inside the real window shell (sidebar or top bar, banner slot, the page) at the
// default window size and at the minimum, on the fake model's fullest states.

#include "gallery/GalleryEntry.h"
#include "gallery/ModelFrame.h"
#include "gallery/RestoreGalleryDrive.h"
#include "gallery/fake/FakeStates.h"
#include "onboarding/settings/SettingsView.h"
#include "screens/root/RootView.h"
#include "screens/shell/SectionNames.h"

#include <QSize>

namespace keldra::gallery {
namespace {

struct Scene {
    AppSection section;
    std::optional<SettingsTab> tab;
    const char* state;
};

QString sceneName(const Scene& scene) {
    const QString page = scene.tab ? QStringLiteral("settings_%1").arg(settingsTabTitle(*scene.tab).toLower())
                                   : sectionTitle(scene.section).toLower();
    return page + QLatin1Char('-') + QString::fromLatin1(scene.state);
}

QWidget* windowScene(const Scene& scene, QSize size, const OLTheme& theme) {
    FakeState state;
    for (auto& candidate : fakeStates()) {
        if (candidate.name == scene.state) {
            state = std::move(candidate);
        }
    }
    auto model = modelIn(state, theme);
    model->setSection(scene.section);
    if (scene.section == AppSection::restore) {
        listScriptedDrive(*model);
    }
    auto* frame = new ModelFrame(std::move(model));
    auto* root = new RootView(frame->model(), frame);
    frame->setView(root);
    frame->setFixedSize(size);
    if (scene.section == AppSection::restore) {
        openScriptedFile(root);
    }
    if (scene.tab) {
        if (auto* settings = root->findChild<SettingsView*>()) {
            settings->setTab(*scene.tab);
        }
    }
    return frame;
}

} // namespace

std::vector<GalleryEntry> windowEntries() {
    std::vector<Scene> scenes{{AppSection::overview, std::nullopt, "full-running"},
                              {AppSection::overview, std::nullopt, "full-review"},
                              {AppSection::backups, std::nullopt, "full-running"},
                              {AppSection::restore, std::nullopt, "full-review"},
                              {AppSection::activity, std::nullopt, "full-running"},
                              {AppSection::activity, std::nullopt, "full-review"}};
    for (SettingsTab tab : allSettingsTabs) {
        scenes.push_back({AppSection::settings, tab, "full-review"});
    }
    const struct {
        const char* name;
        QSize size;
    } sizes[] = {{"default", QSize(1200, 760)},
                 {"min", QSize(RootView::minimumWidth, RootView::minimumHeight)}};
    std::vector<GalleryEntry> entries;
    for (const Scene& scene : scenes) {
        for (const auto& size : sizes) {
            GalleryEntry entry{QStringLiteral("window"),
                               sceneName(scene) + QLatin1Char('-') + QString::fromLatin1(size.name),
                               [scene, size = size.size](const OLTheme& theme) {
                                   return windowScene(scene, size, theme);
                               }};
            entry.frostOnly = true;
            entry.settleRounds = 6;
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

} // namespace keldra::gallery
