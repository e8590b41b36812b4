#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace keldra {

// What the user may pick and how the dialog asks for it (files and several places: the sources dialog).
struct FolderChoice {
    bool chooseFiles = false; // files as well as folders
    bool multiple = false;
    bool createFolders = true;
    std::string prompt;            // the accept button, e.g. "Back up"
    std::string message;           // what the dialog asks, e.g. "Choose folders, files or drives to back up."
    std::filesystem::path startIn; // the home folder when empty
};

// Asks the user for a folder (or several places) without blocking the caller: the answer arrives later
// through `done`, on the caller's (UI) thread; no folder when the user cancels.
class FolderChooser {
public:
    using Done = std::function<void(std::optional<std::filesystem::path>)>;

    virtual ~FolderChooser() = default;
    // `title` is the dialog's title, `prompt` its confirm button's text. `done` is called exactly once.
    virtual void chooseFolder(const std::string& title, const std::string& prompt, Done done) = 0;

    using PathsDone = std::function<void(std::vector<std::filesystem::path>)>;
    // Several places as `choice` allows, in the dialog's order; none when the user cancels. `done` is called
    // exactly once.
    virtual void choosePaths(const FolderChoice& choice, PathsDone done) = 0;
};

} // namespace keldra
