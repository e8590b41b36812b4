#include "platform/mime/SharedMimeTypes.h"

#include <QMimeDatabase>
#include <QMimeType>

namespace keldra {

std::string SharedMimeTypes::mimeType(const std::filesystem::path& path) const {
    // The extension is what follows the last dot of the name; a name that starts with its only dot
    // (".bashrc") or ends with a dot has none.
    const std::string name = path.filename().string();
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) {
        return fallback;
    }
    // Matching a made-up name on the extension alone keeps whole-name globs ("Makefile") out of it.
    const QString probe =
        QStringLiteral("file.") +
        QString::fromUtf8(name.data() + dot + 1, static_cast<qsizetype>(name.size() - dot - 1));
    const QMimeType type = QMimeDatabase().mimeTypeForFile(probe, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault()) {
        return fallback;
    }
    return type.name().toStdString();
}

} // namespace keldra
