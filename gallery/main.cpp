// keldra-gallery: draws every design component in each of its states, for the six style and accent
// combinations, as one PNG each, offscreen and with animations off.

#include "design/theme/AppStyle.h"
#include "gallery/AppIconFiles.h"
#include "gallery/GalleryOptions.h"
#include "gallery/GalleryRenderer.h"
#include "gallery/OffscreenSession.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char** argv) {
    keldra::gallery::prepareOffscreen();
    // Read before QApplication, which would take "--style" as its own widget-style option.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    int appArgc = 1;
    QApplication app(appArgc, argv);
    keldra::gallery::quietOffscreenWarnings();
    QApplication::setApplicationName(QStringLiteral("keldra-gallery"));
    keldra::olApplyAppStyle(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto parsed = keldra::gallery::parseGalleryOptions(arguments);
    if (const auto* error = std::get_if<QString>(&parsed)) {
        err << "keldra-gallery: " << *error << "\n";
        return 2;
    }
    const auto& options = std::get<keldra::gallery::GalleryOptions>(parsed);

    if (!options.appIconDir.isEmpty()) {
        if (const auto error = keldra::gallery::writeAppIconFiles(options.appIconDir)) {
            err << "keldra-gallery: " << *error << "\n";
            return 1;
        }
        return 0;
    }

    if (!options.list && !QDir().mkpath(options.outDir)) {
        err << "keldra-gallery: cannot create " << options.outDir << "\n";
        return 1;
    }
    int count = 0;
    for (const auto& entry : keldra::gallery::allEntries()) {
        if (!(entry.component + QLatin1Char('-') + entry.state).startsWith(options.only))
            continue;
        for (const auto& theme : options.themes) {
            if (entry.frostOnly && theme.accent != keldra::OLAccent::frost)
                continue;
            const QString name = keldra::gallery::fileName(entry, theme);
            if (options.list) {
                out << name << "\n";
                continue;
            }
            const QString path = QDir(options.outDir).filePath(name);
            if (!keldra::gallery::render(entry, theme).save(path, "PNG")) {
                err << "keldra-gallery: cannot write " << path << "\n";
                return 1;
            }
            ++count;
        }
    }
    if (!options.list)
        out << count << " pictures in " << options.outDir << "\n";
    return 0;
}
