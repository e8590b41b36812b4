#pragma once

#include <filesystem>
#include <system_error>

namespace keldra {

// Moves `from` to `to` only when nothing exists at `to`, atomically: an existing file, even one created a
// moment ago by someone else, gives EEXIST and is left alone. Falls back to a hard link, then to an
// exclusive placeholder, on file systems without an atomic no-replace rename.
std::error_code renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace keldra
