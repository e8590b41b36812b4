#include "gallery/GalleryOptions.h"

#include <QCommandLineParser>

namespace keldra::gallery {

std::variant<GalleryOptions, QString> parseGalleryOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Draws each design component in each state as a PNG."));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Folder for the PNG files."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption style(QStringLiteral("style"),
                                   QStringLiteral("Only this style: glass or signal."),
                                   QStringLiteral("STYLE"));
    const QCommandLineOption accent(QStringLiteral("accent"),
                                    QStringLiteral("Only this accent: frost, teal or snow."),
                                    QStringLiteral("ACCENT"));
    const QCommandLineOption only(QStringLiteral("only"),
                                  QStringLiteral("Only entries whose component-state starts with PREFIX."),
                                  QStringLiteral("PREFIX"));
    const QCommandLineOption list(QStringLiteral("list"),
                                  QStringLiteral("Print the file names and draw nothing."));
    const QCommandLineOption appIcon(QStringLiteral("app-icon"),
                                     QStringLiteral("Write the application icon (PNGs and SVG) to DIR."),
                                     QStringLiteral("DIR"));
    parser.addOptions({out, style, accent, only, list, appIcon});
    if (!parser.parse(arguments))
        return parser.errorText();
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());

    GalleryOptions options;
    options.list = parser.isSet(list);
    options.only = parser.value(only);
    options.outDir = parser.value(out);
    options.appIconDir = parser.value(appIcon);
    if (parser.isSet(appIcon) && options.appIconDir.isEmpty())
        return QStringLiteral("--app-icon needs a folder");
    if (options.outDir.isEmpty() && !options.list && options.appIconDir.isEmpty())
        return QStringLiteral("--out DIR is required");

    std::vector<OLStyle> styles(allStyles.begin(), allStyles.end());
    if (parser.isSet(style)) {
        const auto chosen = styleFromRaw(parser.value(style).toStdString());
        if (!chosen)
            return QStringLiteral("Unknown style \"%1\" (glass or signal)").arg(parser.value(style));
        styles = {*chosen};
    }
    std::vector<OLAccent> accents(allAccents.begin(), allAccents.end());
    if (parser.isSet(accent)) {
        const auto chosen = accentFromRaw(parser.value(accent).toStdString());
        if (!chosen)
            return QStringLiteral("Unknown accent \"%1\" (frost, teal or snow)").arg(parser.value(accent));
        accents = {*chosen};
    }
    for (OLStyle s : styles) {
        for (OLAccent a : accents)
            options.themes.push_back(OLTheme{s, a, 999});
    }
    return options;
}

} // namespace keldra::gallery
