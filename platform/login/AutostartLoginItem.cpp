#include "platform/login/AutostartLoginItem.h"

#include "core/fs/AtomicFile.h"
#include "core/text/Utf8Text.h"

#include <fstream>
#include <optional>
#include <system_error>

namespace keldra {

namespace {

// One Exec argument, quoted and escaped the way desktop entries require: inside double quotes '"', '`', '$'
// and '\' take a backslash, then the value's own escaping doubles every backslash; '%' is doubled for field
// codes.
std::string execArgument(const std::string& argument) {
    constexpr std::string_view reserved = " \t\"'\\><~|&;$*?#()`";
    std::string quoted;
    const bool needsQuotes = argument.find_first_of(reserved) != std::string::npos;
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    if (needsQuotes) {
        quoted = '"' + quoted + '"';
    }
    std::string escaped;
    for (const char c : quoted) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '%') {
            escaped += "%%";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

AutostartLoginItem::AutostartLoginItem(std::filesystem::path configHome, std::string executable,
                                       Logger& logger)
    : configHome_(std::move(configHome)), executable_(std::move(executable)), logger_(logger) {}

std::filesystem::path AutostartLoginItem::entryPath() const {
    return configHome_ / "autostart" / "orlivane-keldra.desktop";
}

std::optional<std::string> AutostartLoginItem::desktopEntry(const std::string& executable) {
    if (executable.empty() || executable.find_first_of("\n\r") != std::string::npos ||
        !isValidUtf8(executable)) {
        return std::nullopt;
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Orlivane Keldra Backup\n"
           "Comment=Encrypted backups of your files\n"
           "Exec=" +
           execArgument(executable) +
           " --autostart\n"
           "Icon=orlivane-keldra\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::string AutostartLoginItem::currentExecutable() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

bool AutostartLoginItem::setLoginItemEnabled(bool enabled) {
    const auto path = entryPath();
    std::error_code error;
    if (enabled) {
        const auto entry = desktopEntry(executable_);
        if (!entry) {
            error = std::make_error_code(std::errc::invalid_argument);
        } else {
            std::filesystem::create_directories(path.parent_path(), error);
            if (!error) {
                error = writeFileAtomically(path, *entry);
            }
        }
    } else {
        std::filesystem::remove(path, error);
    }
    if (error) {
        logger_.log("Login item change failed: " + error.message());
        return false;
    }
    return true;
}

bool AutostartLoginItem::isLoginItemEnabled() const {
    std::error_code error;
    if (!std::filesystem::is_regular_file(entryPath(), error)) {
        return false;
    }
    std::ifstream in(entryPath());
    if (!in) {
        return false;
    }
    // An entry the user switched off in their desktop's settings carries Hidden=true.
    std::string line;
    while (std::getline(in, line)) {
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") {
            return false;
        }
    }
    return true;
}

} // namespace keldra
