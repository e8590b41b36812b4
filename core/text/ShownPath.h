#pragma once

#include <string>
#include <string_view>

namespace keldra {

// Long paths are shown by their end, where the file's name is: "…" and the last 78 characters.
// Characters are counted as Unicode scalar values, so a name is never cut inside a UTF-8 sequence.
// Controls and bidirectional marks are written out as "\x0A" or "\u{202E}", so a name can neither forge a
// log line, nor drive a terminal, nor show its end reversed. Only the shown text changes, never what is
// stored.
std::string shownPath(std::string_view path);

// The same escapes without shortening: a name or path shown whole (the Restore screen elides on its own).
std::string shownText(std::string_view text);

} // namespace keldra
