#include "gallery/RestoreGalleryDrive.h"

#include "drive/format/LocalFormat.h"

#include <QDateTime>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace keldra::gallery {

namespace fs = std::filesystem;

namespace {

KeldraKey galleryKey() {
    SymmetricKey bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(11 + i);
    }
    return KeldraKey(bytes);
}

struct ScriptedFile {
    std::string path;
    int versions;
    std::int64_t size;
};

// The files the pictures browse: a thesis with a long history, reports, photos, and a name that tries to
// pass an executable off as a text file.
const std::vector<ScriptedFile>& studioFiles() {
    static const std::vector<ScriptedFile> files{
        {"~/Documents/Thesis/thesis.tex", 45, 184'000},
        {"~/Documents/Thesis/references.bib", 4, 52'000},
        {"~/Documents/Thesis/figures/results.png", 2, 1'240'000},
        {"~/Documents/Thesis/figures/setup.svg", 1, 18'000},
        {"~/Documents/Reports/2025 Q4 report.pdf", 3, 2'350'000},
        {"~/Documents/Reports/Budget review.xlsx", 1, 96'000},
        {"~/Documents/Reports/Board notes.txt", 2, 4'200},
        {"~/Documents/notes.txt", 6, 3'100},
        {"~/Documents/invoice\u202Etxt.exe", 1, 12'000},
        {"~/Pictures/Holiday/IMG_0001.jpg", 1, 3'400'000},
        {"~/Pictures/Holiday/IMG_0002.jpg", 1, 3'100'000},
        {"~/Pictures/Holiday/IMG_0003.jpg", 1, 2'900'000},
        {"~/Music/Recordings/rehearsal.m4a", 1, 8'200'000},
    };
    return files;
}

} // namespace

RestoreGalleryDrive& RestoreGalleryDrive::instance() {
    static RestoreGalleryDrive drive;
    return drive;
}

RestoreGalleryDrive::RestoreGalleryDrive() : key_(galleryKey()) {
    // A weekday afternoon, so the rows show "Today", "Yesterday" and older dates.
    clock_.at =
        SystemTime(std::chrono::seconds(QDateTime(QDate(2026, 3, 12), QTime(15, 40)).toSecsSinceEpoch()));
    const fs::path mount = fs::path(temp_.path().toStdString()) / "Studio";
    fs::create_directories(mount);
    volumes_.volume = MountedVolume{mount, "GALLERY-UUID", "Studio", false};
    destination_.id = destinationID;
    destination_.name = "Studio";
    destination_.volumeUUID = "GALLERY-UUID";
    destination_.volumePathAtAdd = mount.string();
    destination_.addedAt = clock_.at;
    write();
}

void RestoreGalleryDrive::write() {
    const fs::path root = fs::path(volumes_.volume.mountPath) / LocalFormat::backupFolderName;
    fs::create_directories(root);
    LocalFormat::writeHeaderFile(root, LocalFormat::makeHeader(key_, clock_.at));
    LocalFormat::writeReadmeFile(root);
    const fs::path scratch = fs::path(temp_.path().toStdString()) / "scratch";
    const double now = std::chrono::duration<double>(clock_.at.time_since_epoch()).count();

    const auto writeDevice = [&](const char* id, const char* name, const std::vector<ScriptedFile>& files) {
        const fs::path device = LocalFormat::deviceFolder(root, id);
        fs::create_directories(device / LocalFormat::objectsFolderName);
        LocalFormat::writeDeviceFile(device, name);
        for (const ScriptedFile& file : files) {
            for (int v = 0; v < file.versions; ++v) {
                // The newest version a few hours ago, older ones a day and a half apart.
                const double created = now - 3 * 3600 - v * 36 * 3600;
                {
                    std::ofstream out(scratch, std::ios::binary | std::ios::trunc);
                    const std::string chunk(4096, static_cast<char>('a' + v % 26));
                    for (std::int64_t written = 0; written < file.size; written += 4096) {
                        out.write(chunk.data(), static_cast<std::streamsize>(
                                                    std::min<std::int64_t>(4096, file.size - written)));
                    }
                }
                const std::string id = LocalFormat::makeObjectID();
                fs::create_directories(LocalFormat::objectFanoutFolder(device, id));
                const fs::path temporary = LocalFormat::temporaryObjectPath(device, id);
                LocalFormat::writeObject(
                    scratch, temporary, id, key_, [&](const std::string& checksum, std::int64_t length) {
                        return LocalFormat::Metadata{file.path, length, created - 60, created, checksum};
                    });
                fs::rename(temporary, LocalFormat::objectPath(device, id));
            }
        }
    };
    writeDevice(studioDevice, "Studio Mac", studioFiles());
    writeDevice(miniDevice, "Mac mini", {{"~/Desktop/todo.txt", 1, 900}});
}

RestoreContext RestoreGalleryDrive::context() const {
    RestoreContext context;
    context.key = key_;
    context.destinations = {destination_};
    context.volumes = &volumes_;
    context.clock = &clock_;
    return context;
}

} // namespace keldra::gallery
