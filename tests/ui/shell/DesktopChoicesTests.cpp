#include "app/shell/DesktopUrlOpener.h"
#include "app/shell/DialogFolderChooser.h"
#include "tests/support/EventLoopWait.h"
#include "tests/support/TempDir.h"
#include "tests/ui/shell/OffscreenApplication.h"

#include <QAbstractItemView>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QUrl>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>

namespace keldra {

// Stands in for the browser: the desktop services hand it every https address.
class RecordingUrlHandler final : public QObject {
    Q_OBJECT

public:
    std::vector<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

namespace {

namespace fs = std::filesystem;
using test::processEventsUntil;

class DesktopChoicesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureOffscreenApplication(); }
};

TEST_F(DesktopChoicesTest, WebPagesGoToTheDesktopExactlyAsGiven) {
    RecordingUrlHandler browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
    DesktopUrlOpener opener;
    const std::string page = "https://portal.orlivane.example/keldra?view=files&x=%20a#top";
    EXPECT_TRUE(opener.openUrl(page));
    EXPECT_FALSE(opener.openUrl("not a url at all")) << "a relative address is refused";
    EXPECT_FALSE(opener.openUrl("https://exa mple.com/")) << "a malformed address is refused";
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(browser.opened.size(), 1u);
    EXPECT_EQ(browser.opened[0].toString(QUrl::FullyEncoded).toStdString(), page);
}

// The file dialog the chooser opened, once it is up.
QFileDialog* openDialog() {
    QFileDialog* found = nullptr;
    processEventsUntil([&] {
        found = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        return found != nullptr && found->isVisible();
    });
    return found;
}

// Presses the dialog's accept button, as the user would.
void pressAccept(QFileDialog& dialog) {
    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_NE(buttons, nullptr);
    QPushButton* accept = buttons->button(QDialogButtonBox::Open);
    ASSERT_NE(accept, nullptr);
    ASSERT_TRUE(accept->isEnabled());
    accept->click();
}

// Selects the named entries in the dialog's list, once its folder has been read.
void selectInDialog(QFileDialog& dialog, const fs::path& folder, const std::vector<std::string>& names) {
    auto* view = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    auto* model = dialog.findChild<QFileSystemModel*>();
    ASSERT_TRUE(view != nullptr && model != nullptr);
    const QModelIndex parent = model->index(QString::fromStdString(folder.string()));
    ASSERT_TRUE(
        processEventsUntil([&] { return model->rowCount(parent) >= static_cast<int>(names.size()); }));
    view->selectionModel()->clearSelection();
    for (const std::string& name : names) {
        const QModelIndex index = model->index(QString::fromStdString((folder / name).string()));
        ASSERT_TRUE(index.isValid()) << name;
        view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

TEST_F(DesktopChoicesTest, TheFolderDialogOpensWithoutWaitingAndAnswersOnce) {
    test::TempDir temp;
    const fs::path root = fs::canonical(temp.path());
    fs::create_directories(root / "Photos");
    fs::create_directories(root / "Music");
    test::writeFile(root / "notes.txt", "x");
    DialogFolderChooser chooser;

    // One folder, confirmed.
    std::vector<std::optional<std::vector<fs::path>>> answers;
    const auto record = [&](std::vector<fs::path> chosen) {
        answers.emplace_back(std::move(chosen));
    };
    chooser.chooseFolders({false, false, true, "Back up here", "Choose a drive, or a folder on it.", root},
                          record);
    EXPECT_TRUE(answers.empty()) << "the call returns before the user answers";
    QFileDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_FALSE(dialog->testOption(QFileDialog::ReadOnly)) << "folders can be created";
    EXPECT_EQ(dialog->labelText(QFileDialog::Accept), "Back up here");
    EXPECT_EQ(dialog->windowTitle(), "Choose a drive, or a folder on it.");
    EXPECT_EQ(dialog->directory().absolutePath().toStdString(), root.string());
    dialog->selectFile(QString::fromStdString((root / "Photos").string()));
    pressAccept(*dialog);
    ASSERT_TRUE(processEventsUntil([&] { return answers.size() == 1; }));
    EXPECT_EQ(answers[0], (std::vector<fs::path>{root / "Photos"}));

    // Cancelled: an empty answer.
    chooser.chooseFolders(
        {false, false, false, "Restore here", "Choose where to put the restored files.", root}, record);
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->testOption(QFileDialog::ReadOnly));
    dialog->reject();
    ASSERT_TRUE(processEventsUntil([&] { return answers.size() == 2; }));
    EXPECT_TRUE(answers[1]->empty());

    // Folders and files together, several at once.
    chooser.chooseFolders({true, true, true, "Back up", "Choose folders, files or drives to back up.", root},
                          record);
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    selectInDialog(*dialog, root, {"Music", "notes.txt", "Photos"});
    pressAccept(*dialog);
    ASSERT_TRUE(processEventsUntil([&] { return answers.size() == 3; }));
    std::vector<fs::path> chosen = *answers[2];
    std::sort(chosen.begin(), chosen.end());
    EXPECT_EQ(chosen, (std::vector<fs::path>{root / "Music", root / "Photos", root / "notes.txt"}));
    processEventsUntil([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_EQ(answers.size(), 3u) << "each dialog answers once";
}

} // namespace
} // namespace keldra

#include "DesktopChoicesTests.moc"
