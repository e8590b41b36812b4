#include "platform/reveal/FileManagerRevealer.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace keldra {
namespace {

std::string fileUrl(const std::filesystem::path& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path.string()))
        .toString(QUrl::FullyEncoded)
        .toStdString();
}

} // namespace

FileManagerRevealer::FileManagerRevealer(UrlOpener& fallback, QDBusConnection connection)
    : fallback_(fallback), connection_(std::move(connection)) {}

void FileManagerRevealer::reveal(const std::filesystem::path& path) {
    const std::string folder = fileUrl(path.parent_path());
    if (!connection_.isConnected()) {
        fallback_.openUrl(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromStdString(fileUrl(path))} << QString();
    auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(call), &calls_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &calls_,
                     [fallback = &fallback_, folder](QDBusPendingCallWatcher* finished) {
                         if (finished->isError()) {
                             fallback->openUrl(folder);
                         }
                         finished->deleteLater();
                     });
}

} // namespace keldra
