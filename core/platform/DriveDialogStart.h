#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace keldra {

// Where the drive dialog opens: the first existing of /run/media/<user>, /media/<user>, /media and /mnt,
// else the home folder.
std::filesystem::path driveDialogStart(const std::string& user, const std::filesystem::path& home,
                                       const std::function<bool(const std::filesystem::path&)>& isFolder);
// The same for the user running this process. It asks the file system (a mount folder may hang on a stale
// network mount), so it runs off the UI thread.
std::filesystem::path driveDialogStart();

} // namespace keldra
