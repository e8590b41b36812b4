#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace keldra {

// Asks the user for a folder without blocking the caller: the answer arrives later through `done`, on the
// caller's (UI) thread; no folder when the user cancels.
class FolderChooser {
public:
    using Done = std::function<void(std::optional<std::filesystem::path>)>;

    virtual ~FolderChooser() = default;
    // `title` is the dialog's title, `prompt` its confirm button's text. `done` is called exactly once.
    virtual void chooseFolder(const std::string& title, const std::string& prompt, Done done) = 0;
};

} // namespace keldra
