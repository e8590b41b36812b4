// The Restore screen on a large backup, against baselines measured in the same run on the same listing.
// A catalog of 200,000 files (fixed seed) in about 15,000 folders, one of them holding 50,000 files. Drawn
// offscreen at 1200 × 760. Measured, each the fastest of a few rounds:
//   - showing the loaded tree (the model's new tree reaches the list and is painted) ÷ the tree build of
//     the catalog (target <= 0.2);
//   - opening the 50,000-file folder and painting ÷ the same names in a QStringListModel and QListView
//     (target <= 2);
//   - paging through that folder to its end, painting each page ÷ the same on the baseline (target <= 3);
//   - a two-letter search shown and painted ÷ the same search with its rows' names put in a
//     QStringListModel and QListView and painted once (target <= 1.5). The model's search index comes only
//     from a real load, so the search is run on the index the listing build makes, as the model's
//     filteredTree() does, and its result is shown through the list.
// Also printed: the search alone, the memory the list takes per shown row and the time per page.
//
//   restore_view_bench [files, default 200000] [rounds, default 3]

#include "app/async/Workers.h"
#include "app/model/RestoreModel.h"
#include "core/platform/FileRevealer.h"
#include "core/platform/FolderChooser.h"
#include "restore/model/RestoreListing.h"
#include "restore/model/RestoreSearchIndex.h"
#include "screens/restore/RestoreListPane.h"
#include "screens/restore/RestoreRowsModel.h"
#include "screens/restore/RestoreScreenHost.h"
#include "screens/restore/RestoreView.h"

#include <QApplication>
#include <QListView>
#include <QScrollBar>
#include <QStringListModel>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <unistd.h>

using namespace keldra;

namespace {

class NoFolder final : public FolderChooser {
public:
    void chooseFolder(const std::string&, const std::string&, Done done) override { done(std::nullopt); }
    void choosePaths(const FolderChoice&, PathsDone done) override { done({}); }
};
class NoReveal final : public FileRevealer {
public:
    void reveal(const std::filesystem::path&) override {}
};

class BenchHost final : public RestoreScreenHost {
public:
    explicit BenchHost(RestoreModel* model) : model_(model) {}
    RestoreModel* restoreModel() const override { return model_; }
    std::string restoreSearch() const override { return {}; }
    void setRestoreSearch(std::string) override {}
    int searchFocusRequest() const override { return 0; }
    RestoreContext restoreContext() const override { return {}; }
    int versionRetentionDays() const override { return 30; }
    SystemTime now() const override { return SystemClock().now(); }

private:
    RestoreModel* model_;
};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Resident memory in bytes.
double residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

void flush() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

const char* const folderWords[] = {"Documents", "Photos",   "Projects", "Music",  "Archive",
                                   "Work",      "Invoices", "Holiday",  "Drafts", "Scans",
                                   "Family",    "Code",     "Reports"};
const char* const fileWords[] = {"IMG_", "report ", "Scan ", "notes-", "Budget ", "track ", "draft ", "DSC"};
const char* const extensions[] = {".jpg", ".pdf", ".txt", ".docx", ".mp3", ".png"};

std::map<std::string, std::vector<RemoteEntry>> makeCatalog(std::size_t fileCount, std::size_t bigFolder,
                                                            std::mt19937_64& random) {
    std::vector<std::string> folders{"~"};
    const std::size_t folderCount = std::max<std::size_t>(1, (fileCount - bigFolder) / 10);
    while (folders.size() < folderCount) {
        const std::string& parent = folders[random() % folders.size()];
        if (std::count(parent.begin(), parent.end(), '/') >= 4) {
            continue;
        }
        folders.push_back(parent + "/" + folderWords[random() % std::size(folderWords)] + " " +
                          std::to_string(random() % 3000));
    }
    std::map<std::string, std::vector<RemoteEntry>> byPath;
    std::int64_t id = 1000;
    for (std::size_t i = 0; i < fileCount; ++i) {
        const std::string folder =
            i < bigFolder ? std::string("~/Camera Roll") : folders[random() % folders.size()];
        const std::string path = folder + "/" + fileWords[random() % std::size(fileWords)] +
                                 std::to_string(i) + extensions[random() % std::size(extensions)];
        const int versions = i % 10 == 3 ? 2 : 1;
        auto& entries = byPath[path];
        for (int v = 0; v < versions; ++v) {
            KeldraFile file;
            file.id = FlexID(id++);
            file.sizeBytes = FlexInt(static_cast<std::int64_t>(random() % 5'000'000));
            file.createdAt =
                "2025-0" + std::to_string(2 - v) + "-1" + std::to_string(random() % 10) + "T10:00:00Z";
            entries.push_back(RemoteEntry{file, path});
        }
    }
    return byPath;
}

// The Restore screen on its own model, drawn offscreen at 1200 × 760.
struct Screen {
    RestoreModel model;
    BenchHost host{&model};
    RestoreView view{host};

    Screen(Workers& workers, FolderChooser& chooser, FileRevealer& revealer)
        : model(workers, chooser, revealer) {
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.resize(1200, 760);
        view.show();
    }
};

// The baselines' list: a plain string list view as large as the screen's list.
struct PlainList {
    QListView view;
    QStringListModel model;

    PlainList() {
        view.setUniformItemSizes(true);
        view.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.resize(836, 700);
        view.show();
        view.setModel(&model);
    }

    // Shows the nodes' names and paints once.
    void show(const std::vector<RestoreNodePtr>& nodes) {
        QStringList rows;
        rows.reserve(static_cast<qsizetype>(nodes.size()));
        for (const RestoreNodePtr& node : nodes) {
            rows << QString::fromStdString(node->name);
        }
        model.setStringList(rows);
        view.doItemsLayout();
        view.viewport()->repaint();
    }
};

// Scrolls a list page by page to its end, painting each page; returns the number of pages.
int pageThrough(QListView& list) {
    QScrollBar* bar = list.verticalScrollBar();
    int pages = 0;
    bar->setValue(0);
    while (true) {
        list.viewport()->repaint();
        ++pages;
        if (bar->value() >= bar->maximum()) {
            break;
        }
        bar->setValue(bar->value() + bar->pageStep());
    }
    return pages;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KELDRA_ANIMATIONS", "0");
    QApplication app(argc, argv);
    const std::size_t fileCount = argc > 1 ? static_cast<std::size_t>(std::atoll(argv[1])) : 200000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const std::size_t bigFolder = std::min<std::size_t>(50000, fileCount / 2);

    std::mt19937_64 random(20261211);
    const auto byPath = makeCatalog(fileCount, bigFolder, random);
    auto catalog = std::make_shared<RemoteCatalog>();
    catalog->byPath = byPath;

    // Baseline: the tree build of the catalog.
    double buildTime = 1e30;
    std::vector<RestoreNodePtr> tree;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        std::vector<RestoreNodePtr> built = RestoreNode::buildTree(byPath);
        buildTime = std::min(buildTime, seconds(start));
        tree = std::move(built);
    }
    const RestoreListing listing =
        RestoreListing::build(std::const_pointer_cast<const RemoteCatalog>(catalog));

    Workers workers(2);
    NoFolder chooser;
    NoReveal revealer;

    // The screen showing the loaded tree.
    double showTime = 1e30;
    double openTime = 1e30;
    double pageTime = 1e30;
    double bytesPerRow = 0;
    int pages = 0;
    std::size_t bigRows = 0;
    for (int round = 0; round < rounds; ++round) {
        Screen screen(workers, chooser, revealer);
        RestoreModel& model = screen.model;
        RestoreView& view = screen.view;
        flush();
        model.setCatalog(listing.catalog);
        auto start = std::chrono::steady_clock::now();
        model.setTree(listing.tree);
        QListView& list = *view.listPane()->list();
        list.viewport()->repaint();
        showTime = std::min(showTime, seconds(start));

        const int row = view.rows()->rowOf("~/Camera Roll");
        if (row < 0) {
            std::fprintf(stderr, "restore_view_bench: the big folder is not at the top level\n");
            return 1;
        }
        const double before = residentBytes();
        start = std::chrono::steady_clock::now();
        const int shownBefore = view.rows()->rowCount();
        view.activateRow(row);
        list.doItemsLayout();
        list.scrollTo(view.rows()->index(row), QAbstractItemView::PositionAtTop);
        list.viewport()->repaint();
        openTime = std::min(openTime, seconds(start));
        bigRows = static_cast<std::size_t>(view.rows()->rowCount() - shownBefore);
        start = std::chrono::steady_clock::now();
        pages = pageThrough(list);
        pageTime = std::min(pageTime, seconds(start));
        bytesPerRow = (residentBytes() - before) / static_cast<double>(bigRows);
    }

    // Baseline: the same names in a plain string list view.
    QStringList names;
    const RestoreNodePtr big =
        *std::find_if(listing.tree.begin(), listing.tree.end(),
                      [](const RestoreNodePtr& n) { return n->id == "~/Camera Roll"; });
    double plainOpen = 1e30;
    double plainPage = 1e30;
    int plainPages = 0;
    for (int round = 0; round < rounds; ++round) {
        PlainList plain;
        flush();
        const auto start = std::chrono::steady_clock::now();
        plain.show(*big->children);
        plainOpen = std::min(plainOpen, seconds(start));
        const auto paging = std::chrono::steady_clock::now();
        plainPages = pageThrough(plain.view);
        plainPage = std::min(plainPage, seconds(paging));
        names = plain.model.stringList();
    }

    // A two-letter search: alone, with its rows painted once in the plain list, and shown through the screen.
    const std::string query = "re";
    double searchAlone = 1e30;
    double searchPlain = 1e30;
    double searchShown = 1e30;
    std::size_t hits = 0;
    {
        PlainList plain;
        flush();
        for (int round = 0; round < rounds; ++round) {
            const auto start = std::chrono::steady_clock::now();
            const std::vector<RestoreNodePtr> found = listing.search->search(query);
            plain.show(found);
            searchPlain = std::min(searchPlain, seconds(start));
            plain.model.setStringList({});
        }
    }
    {
        Screen screen(workers, chooser, revealer);
        RestoreModel& model = screen.model;
        RestoreView& view = screen.view;
        model.setCatalog(listing.catalog);
        model.setTree(listing.tree);
        flush();
        for (int round = 0; round < rounds; ++round) {
            auto start = std::chrono::steady_clock::now();
            std::vector<RestoreNodePtr> found = listing.search->search(query);
            searchAlone = std::min(searchAlone, seconds(start));
            start = std::chrono::steady_clock::now();
            found = listing.search->search(query);
            view.rows()->showSearch(found);
            view.listPane()->list()->viewport()->repaint();
            searchShown = std::min(searchShown, seconds(start));
            hits = found.size();
            view.rows()->showTree(listing.tree);
        }
    }

    std::printf("catalog: %zu files, a folder of %zu; %d rounds\n", byPath.size(), bigRows, rounds);
    std::printf("tree build (baseline):            %8.2f ms\n", buildTime * 1e3);
    std::printf("showing the loaded tree:          %8.2f ms  ratio %.3f (target <= 0.2)\n", showTime * 1e3,
                showTime / buildTime);
    std::printf("plain list, %d names (baseline):  %8.2f ms\n", static_cast<int>(names.size()),
                plainOpen * 1e3);
    std::printf("opening the big folder, painted:  %8.2f ms  ratio %.3f (target <= 2)\n", openTime * 1e3,
                openTime / plainOpen);
    std::printf("plain list paging, %d pages:      %8.2f ms\n", plainPages, plainPage * 1e3);
    // The screen's list also holds the other top-level rows, so pages are compared one for one.
    const double perPage = pageTime / std::max(1, pages);
    const double plainPerPage = plainPage / std::max(1, plainPages);
    std::printf(
        "paging to the end, %d pages:      %8.2f ms  ratio per page %.3f (target <= 3), %.3f ms per page\n",
        pages, pageTime * 1e3, perPage / plainPerPage, perPage * 1e3);
    std::printf("search \"%s\" alone (%zu results):  %8.2f ms\n", query.c_str(), hits, searchAlone * 1e3);
    std::printf("search, plain list painted (baseline): %8.2f ms\n", searchPlain * 1e3);
    std::printf("search shown and painted:         %8.2f ms  ratio %.3f (target <= 1.5)\n", searchShown * 1e3,
                searchShown / searchPlain);
    std::printf("memory per shown row:             %8.1f bytes\n", bytesPerRow);
    return 0;
}
