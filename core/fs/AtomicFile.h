#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace keldra {

// Replaces (or creates) a whole file so that readers see either the old or the new content, never a mix:
// write a temporary file beside it, flush it to disk, rename it over the target, flush the folder.
// On failure the target is untouched and no temporary file is left behind.
std::error_code writeFileAtomically(const std::filesystem::path& path, std::string_view contents,
                                    unsigned mode = 0644);

// Flushes a folder's entries (after a rename or create inside it).
std::error_code syncDirectory(const std::filesystem::path& directory);

// A temporary name beside `path`, hidden and unique to this process and moment.
std::filesystem::path temporarySibling(const std::filesystem::path& path);

} // namespace keldra
