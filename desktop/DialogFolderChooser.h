#pragma once

#include "core/platform/FolderChooser.h"

#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace keldra {

// Lets the user pick folders (and files) with Qt's own file dialog, the same on every desktop. The dialog is
// opened and the call returns at once; `done` runs when it closes, with the chosen paths (none when
// cancelled).
class DialogFolderChooser final : public FolderChooser {
public:
    // Dialogs are modal to `parent` when one is given (none: to the whole application).
    explicit DialogFolderChooser(QWidget* parent = nullptr);
    // Later dialogs are modal to `parent` (the main window, once it exists).
    void setParent(QWidget* parent) { parent_ = parent; }

    // One folder, starting in the home folder; folders can be created.
    void chooseFolder(const std::string& title, const std::string& prompt, Done done) override;

    void choosePaths(const FolderChoice& choice, PathsDone done) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace keldra
