#include "gallery/AppIconFiles.h"

#include "design/brand/KeldraAppIcon.h"

#include <QDir>
#include <QSaveFile>

namespace keldra::gallery {

std::optional<QString> writeAppIconFiles(const QString& dir) {
    const QString name = QString::fromLatin1(appIconName);
    for (const int size : appIconSizes) {
        const QString folder = QDir(dir).filePath(QStringLiteral("%1x%1/apps").arg(size));
        const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
        if (!QDir().mkpath(folder) || !drawAppIcon(size).save(path, "PNG"))
            return QStringLiteral("cannot write %1").arg(path);
    }
    const QString folder = QDir(dir).filePath(QStringLiteral("scalable/apps"));
    const QString path = QDir(folder).filePath(name + QStringLiteral(".svg"));
    QSaveFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || file.write(appIconSvg()) < 0 ||
        !file.commit())
        return QStringLiteral("cannot write %1").arg(path);
    return std::nullopt;
}

} // namespace keldra::gallery
