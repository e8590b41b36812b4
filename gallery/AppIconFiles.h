#pragma once
// The application icon as files laid out like an icon theme: <size>x<size>/apps/<name>.png for each
// installed size and scalable/apps/<name>.svg, ready to be copied into share/icons/hicolor.

#include <QString>
#include <optional>

namespace keldra::gallery {

// Writes every file below `dir`; the error text when one cannot be written.
std::optional<QString> writeAppIconFiles(const QString& dir);

} // namespace keldra::gallery
