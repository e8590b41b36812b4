#pragma once

#include <string_view>

namespace keldra {

// Whether a stored path may be trusted as a place on this computer: "~/" or "/" followed by one or
// more components, none of them empty, "." or "..", and no NUL character anywhere (the system would
// cut the path short at it and write somewhere else).
bool isSafeKeldraPath(std::string_view path);

// Whether a path below a chosen folder stays below it: one or more components, none of them empty, "." or
// "..", and no NUL character.
bool isSafeRelativePath(std::string_view relative);

} // namespace keldra
