#include "desktop/DesktopUrlOpener.h"
#include "desktop/DialogFolderChooser.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"
#include "tests/ui/shell/OffscreenApplication.h"

#include <QAbstractItemView>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QPushButton>
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
using test::runUntil;

// Widgets need the program's one application (OffscreenApplication.h).
using DesktopChoicesTest = ::testing::Test;

TEST_F(DesktopChoicesTest, WebPagesGoToTheDesktopExactlyAsGiven) {
    RecordingUrlHandler browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
    DesktopUrlOpener opener;
    const std::string page = "https://portal.orlivane.example/keldra?view=files&x=%20a#top";
    opener.openUrl(page);
    // Refused: a relative address and a malformed one.
    opener.openUrl("not a url at all");
    opener.openUrl("https://exa mple.com/");
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(browser.opened.size(), 1u);
    EXPECT_EQ(browser.opened[0].toString(QUrl::FullyEncoded).toStdString(), page);
}

// The file dialog the chooser opened, once it is up.
QFileDialog* openDialog() {
    QFileDialog* found = nullptr;
    runUntil([&] {
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
    ASSERT_TRUE(runUntil([&] { return model->rowCount(parent) >= static_cast<int>(names.size()); }));
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

    // One folder through the application's seam, confirmed.
    std::vector<std::optional<fs::path>> folders;
    chooser.chooseFolder("Choose where to put the restored files.", "Restore here",
                         [&](std::optional<fs::path> folder) { folders.push_back(std::move(folder)); });
    EXPECT_TRUE(folders.empty()) << "the call returns before the user answers";
    QFileDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_FALSE(dialog->testOption(QFileDialog::ReadOnly)) << "folders can be created";
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_EQ(dialog->labelText(QFileDialog::Accept), "Restore here");
    EXPECT_EQ(dialog->windowTitle(), "Choose where to put the restored files.");
    EXPECT_EQ(dialog->directory().absolutePath(), QDir::homePath());
    dialog->selectFile(QString::fromStdString((root / "Photos").string()));
    pressAccept(*dialog);
    ASSERT_TRUE(runUntil([&] { return folders.size() == 1; }));
    EXPECT_EQ(folders[0], root / "Photos");

    // Cancelled: no folder.
    chooser.chooseFolder("Choose a drive, or a folder on it.", "Back up here",
                         [&](std::optional<fs::path> folder) { folders.push_back(std::move(folder)); });
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    ASSERT_TRUE(runUntil([&] { return folders.size() == 2; }));
    EXPECT_FALSE(folders[1].has_value());

    std::vector<std::vector<fs::path>> answers;
    const auto record = [&](std::vector<fs::path> chosen) {
        answers.push_back(std::move(chosen));
    };
    chooser.choosePaths({false, false, false, "Pick", "Pick a folder.", root}, record);
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->testOption(QFileDialog::ReadOnly)) << "no new folders where none are wanted";
    EXPECT_EQ(dialog->directory().absolutePath().toStdString(), root.string());
    dialog->reject();
    ASSERT_TRUE(runUntil([&] { return answers.size() == 1; }));
    EXPECT_TRUE(answers[0].empty());

    // Folders and files together, several at once.
    chooser.choosePaths({true, true, true, "Back up", "Choose folders, files or drives to back up.", root},
                        record);
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    selectInDialog(*dialog, root, {"Music", "notes.txt", "Photos"});
    pressAccept(*dialog);
    ASSERT_TRUE(runUntil([&] { return answers.size() == 2; }));
    std::vector<fs::path> chosen = answers[1];
    std::sort(chosen.begin(), chosen.end());
    EXPECT_EQ(chosen, (std::vector<fs::path>{root / "Music", root / "Photos", root / "notes.txt"}));
    runUntil([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_EQ(answers.size(), 2u) << "each dialog answers once";
    test::drainEvents();
}

TEST_F(DesktopChoicesTest, TheDialogHoldsItsWindowOrWithoutOneTheApplication) {
    QWidget window;
    window.show();
    for (QWidget* parent : {&window, static_cast<QWidget*>(nullptr)}) {
        DialogFolderChooser chooser(parent);
        bool answered = false;
        chooser.chooseFolder("Choose a drive, or a folder on it.", "Back up here",
                             [&](std::optional<fs::path>) { answered = true; });
        QFileDialog* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->parentWidget(), parent);
        EXPECT_EQ(dialog->windowModality(), parent ? Qt::WindowModal : Qt::ApplicationModal);
        dialog->reject();
        ASSERT_TRUE(runUntil([&] { return answered; }));
        test::drainEvents();
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the closed dialog is gone";
    }
}

} // namespace
} // namespace keldra

#include "DesktopChoicesTests.moc"
