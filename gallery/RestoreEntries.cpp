// The Restore screen in each of its states, drawn from a real RestoreModel listing the scripted drive.

#include "app/model/RestoreModel.h"
#include "design/theme/ThemeScope.h"
#include "gallery/GalleryEntry.h"
#include "gallery/RestoreGalleryDrive.h"
#include "gallery/fake/FakeAppModel.h"
#include "gallery/fake/FakeStates.h"
#include "screens/restore/RestoreRowsModel.h"
#include "screens/restore/RestoreScreenHost.h"
#include "screens/restore/RestoreView.h"
#include "screens/root/RootView.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QThread>
#include <functional>
#include <qcoro/qcorotask.h>

namespace keldra::gallery {
namespace {

// The application's side of the screen, over the scripted drive.
class GalleryRestoreHost final : public RestoreScreenHost {
public:
    // Without `listing` the context has no key, so the screen's own load leaves a state set by hand.
    GalleryRestoreHost(RestoreModel* model, bool listing) : model_(model), listing_(listing) {}
    RestoreModel* restoreModel() const override { return model_; }
    std::string restoreSearch() const override { return {}; }
    void setRestoreSearch(std::string) override {}
    int searchFocusRequest() const override { return 0; }
    RestoreContext restoreContext() const override {
        RestoreContext context = RestoreGalleryDrive::instance().context();
        if (!listing_) {
            context.key.reset();
        }
        return context;
    }
    int versionRetentionDays() const override { return 30; }
    SystemTime now() const override { return RestoreGalleryDrive::instance().clock().now(); }

private:
    RestoreModel* model_;
    bool listing_;
};

void settle(const std::function<bool()>& done = [] { return true; }) {
    QElapsedTimer elapsed;
    elapsed.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (done()) {
            break;
        }
        QThread::msleep(2);
    } while (elapsed.elapsed() < 20000);
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

struct Screen {
    RestoreView* view;
    RestoreModel* model;
};

// A screen over a fresh model; `listed` lists the studio device (or another) first.
Screen makeScreen(const OLTheme& theme,
                  std::optional<const char*> device = RestoreGalleryDrive::studioDevice) {
    RestoreGalleryDrive& drive = RestoreGalleryDrive::instance();
    auto* model = new RestoreModel(drive.workers(), drive.chooser(), drive.revealer());
    auto* host = new GalleryRestoreHost(model, device.has_value());
    auto* view = new RestoreView(*host);
    model->setParent(view);
    host->setParent(view);
    olSetTheme(view, theme);
    view->setFixedSize(1200, 760);
    if (device) {
        model->setSource(RestoreSource::drive(RestoreGalleryDrive::destinationID, *device));
        QCoro::waitFor(model->load(drive.context(), true));
    }
    settle();
    return {view, model};
}

// Opens the folders along `ids` and selects the last row named.
void openAndSelect(Screen& screen, const std::vector<std::string>& ids) {
    for (const std::string& id : ids) {
        const int row = screen.view->rows()->rowOf(id);
        if (row >= 0) {
            screen.view->activateRow(row);
        }
    }
    settle();
}

} // namespace

void listScriptedDrive(FakeAppModel& app) {
    RestoreGalleryDrive& drive = RestoreGalleryDrive::instance();
    auto model = std::make_unique<RestoreModel>(drive.workers(), drive.chooser(), drive.revealer());
    model->setSource(
        RestoreSource::drive(RestoreGalleryDrive::destinationID, RestoreGalleryDrive::studioDevice));
    QCoro::waitFor(model->load(drive.context(), true));
    app.setRestoreModel(std::move(model));
}

void openScriptedFile(QWidget* window) {
    settle([window] { return window->findChild<RestoreView*>() != nullptr; });
    if (auto* view = window->findChild<RestoreView*>()) {
        Screen screen{view, view->model()};
        openAndSelect(screen, {"~/Documents", "~/Documents/Thesis", "~/Documents/Thesis/thesis.tex"});
    }
}

namespace {

// The window on the Restore section, its screen built by the shell over the application model, which holds
// the listed drive.
QWidget* inWindow(const OLTheme& theme) {
    auto app = std::make_unique<FakeAppModel>();
    app->persistStyle(theme.style);
    app->persistAccent(theme.accent);
    applyFakeState(*app, "ready-protected");
    listScriptedDrive(*app);
    app->setSection(AppSection::restore);

    auto* frame = new QWidget;
    auto* root = new RootView(*app, frame);
    root->setGeometry(0, 0, RootView::minimumWidth, RootView::minimumHeight);
    frame->setFixedSize(RootView::minimumWidth, RootView::minimumHeight);
    // The model goes after the views that read it: it is the frame's last child.
    app.release()->setParent(frame);
    openScriptedFile(frame);
    return frame;
}

GalleryEntry entry(const char* state, std::function<QWidget*(const OLTheme&)> make) {
    return GalleryEntry{QStringLiteral("restore"), QString::fromLatin1(state), std::move(make), 0};
}

} // namespace

std::vector<GalleryEntry> restoreEntries() {
    return {
        entry("in-window", inWindow),
        entry("loading",
              [](const OLTheme& theme) -> QWidget* {
                  Screen s = makeScreen(theme, std::nullopt);
                  s.model->setIsLoading(true);
                  settle();
                  return s.view;
              }),
        entry("error",
              [](const OLTheme& theme) -> QWidget* {
                  Screen s = makeScreen(theme, std::nullopt);
                  s.model->setLoadError(std::string("That drive isn't connected."));
                  settle();
                  return s.view;
              }),
        entry("empty",
              [](const OLTheme& theme) -> QWidget* {
                  Screen s = makeScreen(theme, std::nullopt);
                  return s.view;
              }),
        entry("drive-source",
              [](const OLTheme& theme) -> QWidget* {
                  Screen s = makeScreen(theme);
                  openAndSelect(s, {"~/Documents"});
                  s.model->setSelection(nullptr);
                  settle();
                  return s.view;
              }),
        entry("tree-45-versions",
              [](const OLTheme& theme) -> QWidget* {
                  Screen s = makeScreen(theme);
                  openAndSelect(s, {"~/Documents", "~/Documents/Thesis", "~/Documents/Thesis/thesis.tex"});
                  return s.view;
              }),
        entry("search",
              [](const OLTheme& theme) -> QWidget* {
                  Screen s = makeScreen(theme);
                  s.model->setQuery("re");
                  settle();
                  s.view->activateRow(1);
                  settle();
                  return s.view;
              }),
        entry("no-match",
              [](const OLTheme& theme) -> QWidget* {
                  Screen s = makeScreen(theme);
                  s.model->setQuery("zebra  ");
                  settle();
                  return s.view;
              }),
        entry("restoring-3-of-10",
              [](const OLTheme& theme) -> QWidget* {
                  Screen s = makeScreen(theme);
                  openAndSelect(s, {"~/Documents", "~/Documents/Thesis"});
                  // A restore held mid-way.
                  s.model->setIsRestoring(true);
                  RestoreProgress progress;
                  progress.total = 10;
                  progress.done = 3;
                  progress.bytesTotal = 3'000'000;
                  progress.bytesDone = 1'000'000;
                  s.model->setProgress(progress);
                  settle();
                  return s.view;
              }),
        entry("summary-5-failures",
              [](const OLTheme& theme) -> QWidget* {
                  Screen s = makeScreen(theme);
                  openAndSelect(s, {"~/Documents", "~/Documents/Reports"});
                  RestoreSummary summary;
                  summary.restored = 12;
                  for (const char* name : {"2025 Q4 report.pdf", "Budget review.xlsx", "Board notes.txt",
                                           "minutes.docx", "plan.key"}) {
                      summary.failures.push_back({std::string("~/Documents/Reports/") + name,
                                                  "There isn't enough space on the disk."});
                  }
                  s.model->setSummary(summary);
                  settle();
                  return s.view;
              }),
        entry("stopped",
              [](const OLTheme& theme) -> QWidget* {
                  Screen s = makeScreen(theme);
                  openAndSelect(s, {"~/Pictures", "~/Pictures/Holiday"});
                  RestoreSummary summary;
                  summary.restored = 2;
                  summary.restoredBytes = 6'500'000;
                  summary.cancelled = true;
                  s.model->setSummary(summary);
                  settle();
                  return s.view;
              }),
        entry("delete-error",
              [](const OLTheme& theme) -> QWidget* {
                  Screen s = makeScreen(theme);
                  openAndSelect(s, {"~/Documents", "~/Documents/notes.txt"});
                  // Without its device folder the delete removes nothing and says so.
                  s.model->setDriveDeviceDir(std::nullopt);
                  s.view->confirmDelete();
                  if (QMessageBox* box = s.view->deleteDialog()) {
                      box->findChild<QAbstractButton*>(QStringLiteral("deleteEveryVersion"))->click();
                  }
                  settle([&] { return s.view->deleteError().has_value() && !s.model->isDeleting(); });
                  // The listing came back with the folder still open.
                  openAndSelect(s, {"~/Documents/notes.txt"});
                  return s.view;
              }),
    };
}

} // namespace keldra::gallery
