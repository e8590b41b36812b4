#pragma once

#include "core/platform/FileRevealer.h"
#include "core/platform/UrlOpener.h"

#include <QDBusConnection>
#include <QObject>
#include <filesystem>

namespace keldra {

// Shows a file selected in the desktop's file manager through org.freedesktop.FileManager1.ShowItems;
// where no file manager answers, opens the file's folder through the URL opener instead. Never waits:
// the call and its fallback run from the event loop of the calling thread. The opener must outlive the
// revealer; calls still pending when the revealer goes are dropped, their answers never acted on.
class FileManagerRevealer final : public FileRevealer {
public:
    explicit FileManagerRevealer(UrlOpener& fallback,
                                 QDBusConnection connection = QDBusConnection::sessionBus());

    void reveal(const std::filesystem::path& path) override;

private:
    UrlOpener& fallback_;
    QDBusConnection connection_;
    // Owns the watchers of pending calls: deleting it (with the revealer) disconnects their answers.
    QObject calls_;
};

} // namespace keldra
