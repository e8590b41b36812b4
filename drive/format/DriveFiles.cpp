#include "drive/format/DriveFiles.h"

#include "core/fs/AtomicFile.h"
#include "core/fs/RegularFile.h"
#include "core/fs/UniqueFd.h"
#include "drive/format/DriveLayout.h"
#include "drive/format/EncoderJson.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keldra::LocalFormat {
namespace {

constexpr std::size_t headerFileLimit = 64 * 1024;

} // namespace

std::string readmeText() {
    return "Orlivane Keldra backup\n"
           "======================\n"
           "\n"
           "This folder holds encrypted backups made by Orlivane Keldra for Linux.\n"
           "Every file and file name is encrypted with a key made from your Keldra passphrase.\n"
           "Nobody can open them without that passphrase, including Orlivane.\n"
           "\n"
           "To restore: open Orlivane Keldra \u203a Restore and choose this drive.\n"
           "Without the app: run keldra-drive-restore (in the app's Tools folder, also on\n"
           "orlivane.example) with Python 3 and your passphrase.\n"
           "\n"
           "Don't rename or edit anything in here. Deleting this folder deletes the backups.";
}

std::string deviceJson(std::string_view deviceName) {
    std::string out = "{\"name\":";
    appendJsonString(out, deviceName);
    out += '}';
    return out;
}

std::error_code writeHeaderFile(const std::filesystem::path& backupRoot, const BackupHeader& header) {
    return writeFileAtomically(backupRoot / headerFileName, encodeHeader(header));
}

std::error_code writeReadmeFile(const std::filesystem::path& backupRoot) {
    return writeFileAtomically(backupRoot / readmeFileName, readmeText());
}

std::error_code writeDeviceFile(const std::filesystem::path& deviceFolder, std::string_view deviceName) {
    return writeFileAtomically(deviceFolder / deviceFileName, deviceJson(deviceName));
}

std::optional<BackupHeader> readHeaderFile(const std::filesystem::path& backupRoot) {
    const auto text = readSmallFile(backupRoot / headerFileName, headerFileLimit);
    if (!text) {
        return std::nullopt;
    }
    return decodeHeader(*text);
}

std::optional<std::string> readSmallFile(const std::filesystem::path& path, std::size_t limit) {
    int error = 0;
    const UniqueFd fd = openRegularFile(path, error);
    if (!fd) {
        return std::nullopt;
    }
    std::string text;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (count == 0) {
            return text;
        }
        if (text.size() + static_cast<std::size_t>(count) > limit) {
            return std::nullopt;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
}

} // namespace keldra::LocalFormat
