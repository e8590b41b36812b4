#include "desktop/DialogFolderChooser.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>

namespace keldra {

namespace {

// Qt's dialog picks either files or folders, and only one folder. For files and folders together, or several
// folders, the selection of its views is taken as it stands when the user confirms, folders included, instead
// of letting the dialog open a selected folder.
class PathDialog final : public QFileDialog {
public:
    PathDialog(QWidget* parent, bool fromSelection) : QFileDialog(parent), fromSelection_(fromSelection) {}

    std::vector<std::filesystem::path> chosen() const {
        if (!picked_.empty()) {
            return picked_;
        }
        std::vector<std::filesystem::path> paths;
        for (const QString& file : selectedFiles()) {
            paths.emplace_back(file.toStdString());
        }
        return paths;
    }

    void accept() override {
        picked_.clear();
        if (fromSelection_) {
            picked_ = viewSelection();
            if (!picked_.empty()) {
                QDialog::accept();
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    std::vector<std::filesystem::path> viewSelection() const {
        std::vector<std::filesystem::path> paths;
        const auto* view = findChild<QAbstractItemView*>(QStringLiteral("listView"));
        const auto* model = findChild<QFileSystemModel*>();
        if (view == nullptr || model == nullptr || view->selectionModel() == nullptr) {
            return paths;
        }
        for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
            // The views show the model through a sorting proxy.
            const QModelIndex source = mapToSource(index);
            if (source.isValid()) {
                paths.emplace_back(model->filePath(source).toStdString());
            }
        }
        return paths;
    }

    QModelIndex mapToSource(const QModelIndex& index) const {
        if (const auto* proxy = proxyModel()) {
            return proxy->mapToSource(index);
        }
        return index;
    }

    bool fromSelection_;
    std::vector<std::filesystem::path> picked_;
};

} // namespace

DialogFolderChooser::DialogFolderChooser(QWidget* parent) : parent_(parent) {}

void DialogFolderChooser::chooseFolder(const std::string& title, const std::string& prompt, Done done) {
    FolderChoice choice;
    choice.prompt = prompt;
    choice.message = title;
    choosePaths(choice, [done = std::move(done)](std::vector<std::filesystem::path> chosen) {
        done(chosen.empty() ? std::nullopt : std::optional<std::filesystem::path>(std::move(chosen.front())));
    });
}

void DialogFolderChooser::choosePaths(const FolderChoice& choice, PathsDone done) {
    // Qt's folder mode returns a single folder, so several folders are read from the selection too.
    auto* dialog = new PathDialog(parent_, choice.chooseFiles || choice.multiple);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::ReadOnly, !choice.createFolders);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (choice.chooseFiles) {
        dialog->setFileMode(choice.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    } else {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
    }
    if (choice.multiple) {
        for (auto* view : dialog->findChildren<QAbstractItemView*>()) {
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        }
    }
    if (!choice.prompt.empty()) {
        dialog->setLabelText(QFileDialog::Accept, QString::fromStdString(choice.prompt));
    }
    dialog->setWindowTitle(QString::fromStdString(choice.message));
    dialog->setDirectory(choice.startIn.empty() ? QDir::homePath()
                                                : QString::fromStdString(choice.startIn.string()));
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
        done(result == QDialog::Accepted ? dialog->chosen() : std::vector<std::filesystem::path>{});
    });
    // Shown, never exec()'d: the caller's thread goes on. Without a window to belong to (only the tray is
    // up), the dialog holds the whole application.
    if (parent_) {
        dialog->open();
    } else {
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->show();
    }
}

} // namespace keldra
