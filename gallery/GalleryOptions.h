#pragma once
// The command line of keldra-gallery:
//   keldra-gallery --out DIR [--style glass|signal] [--accent frost|teal|snow] [--only PREFIX] [--list]
//   keldra-gallery --app-icon DIR      writes the application icon as an icon theme's folders

#include "app/model/ThemeValues.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>
#include <vector>

namespace keldra::gallery {

struct GalleryOptions {
    QString outDir;
    std::vector<OLTheme> themes; // the combinations to draw; all six unless narrowed
    QString only;                // a prefix of "<component>-<state>"
    bool list = false;           // print the file names instead of drawing
    QString appIconDir;          // write the application icon here instead
};

// The options, or the error text to show.
std::variant<GalleryOptions, QString> parseGalleryOptions(const QStringList& arguments);

} // namespace keldra::gallery
