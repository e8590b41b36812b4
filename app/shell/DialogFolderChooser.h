#pragma once

#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace keldra {

// What the user may pick and how the dialog asks for it.
struct FolderChoice {
    bool chooseFiles = false; // files as well as folders
    bool multiple = false;
    bool createFolders = true;
    std::string prompt;  // the accept button, e.g. "Back up"
    std::string message; // what the dialog asks, e.g. "Choose folders, files or drives to back up."
    std::filesystem::path startIn;
};

// Lets the user pick folders (and files) with Qt's own file dialog, the same on every desktop. The dialog is
// opened and the call returns at once; `done` runs when it closes, with the chosen paths (none when
// cancelled).
class DialogFolderChooser final {
public:
    // Dialogs are modal to `parent` when one is given (none: to the whole application).
    explicit DialogFolderChooser(QWidget* parent = nullptr);

    void chooseFolders(const FolderChoice& choice,
                       std::function<void(std::vector<std::filesystem::path>)> done);

private:
    QPointer<QWidget> parent_;
};

} // namespace keldra
