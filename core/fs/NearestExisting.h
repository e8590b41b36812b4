#pragma once

#include <filesystem>

namespace keldra {

// `path` when it exists, else its nearest ancestor that does ("/" at worst): what a reveal shows of a file
// that was removed or a folder not made yet. Reads the file system; call it off the UI thread.
std::filesystem::path nearestExistingPath(const std::filesystem::path& path);

} // namespace keldra
