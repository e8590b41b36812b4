// The C++ side of the cross-check with the independent Python reader: writes a backup folder for the
// reader to verify, and reads back the objects and header the Python writer made.
//
//   drive_format_crosscheck write <root> <key hex>      writes header, README, device and objects; prints a
//                                                         manifest (JSON) of what it wrote
//   drive_format_crosscheck restore <object> <target> <key hex>
//   drive_format_crosscheck metadata <object> <key hex>  prints the metadata as JSON
//   drive_format_crosscheck verify-header <root> <key hex>
// Format errors exit with 3 and print the error's kind.

#include "core/codec/Hex.h"
#include "drive/format/LocalFormat.h"

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

using namespace keldra;

namespace {

KeldraKey keyFromHex(const std::string& hex) {
    const auto bytes = hexDecode(hex);
    const auto key = bytes ? KeldraKey::fromBytes(*bytes) : std::nullopt;
    if (!key) {
        throw std::invalid_argument("key must be 64 lowercase hex digits");
    }
    return *key;
}

const char* kindName(LocalFormat::FormatError::Kind kind) {
    switch (kind) {
    case LocalFormat::FormatError::Kind::io:
        return "io";
    case LocalFormat::FormatError::Kind::notAnObject:
        return "notAnObject";
    case LocalFormat::FormatError::Kind::badHeader:
        return "badHeader";
    case LocalFormat::FormatError::Kind::authFailed:
        return "authFailed";
    case LocalFormat::FormatError::Kind::truncated:
        return "truncated";
    }
    return "?";
}

// Content that differs at every offset, so a misplaced chunk shows.
void writeSource(const std::filesystem::path& path, std::size_t size, unsigned seed) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::uint32_t state = seed;
    std::vector<unsigned char> buffer(size);
    for (auto& byte : buffer) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<unsigned char>(state >> 16);
    }
    if (!buffer.empty()) {
        std::fwrite(buffer.data(), 1, buffer.size(), file);
    }
    std::fclose(file);
}

int writeAll(const std::filesystem::path& root, const KeldraKey& key) {
    std::filesystem::create_directories(root);
    if (LocalFormat::writeHeaderFile(root, LocalFormat::makeHeader(key)) ||
        LocalFormat::writeReadmeFile(root)) {
        return 1;
    }
    const auto device = LocalFormat::deviceFolder(root, "device-1");
    std::filesystem::create_directories(device / "objects");
    if (LocalFormat::writeDeviceFile(device, "Ana's \"work\" laptop / desk")) {
        return 1;
    }
    struct Case {
        std::size_t size;
        std::string path;
        double mtime;
    };
    const std::vector<Case> cases = {
        {0, "~/empty.txt", 1690000000.0},
        {1, "~/Documents/one byte.bin", 1690000000.5},
        {1000, "/srv/data/caf\xc3\xa9 \"quoted\"\\back\tslash.txt", -12.25},
        {4194304, "~/exactly/one/chunk.bin", 1700000000.123456},
        {4194305, "~/one/chunk/and/a/byte.bin", 1700000001.0},
    };
    nlohmann::json manifest = nlohmann::json::array();
    unsigned seed = 1;
    for (const auto& c : cases) {
        const auto id = LocalFormat::makeObjectID();
        const auto source = root / ("source-" + id);
        writeSource(source, c.size, seed++);
        const double created = 1700000500.75;
        const auto temporary = LocalFormat::temporaryObjectPath(device, id);
        const auto result = LocalFormat::writeObject(
            source, temporary, id, key, [&](const std::string& checksum, std::int64_t size) {
                return LocalFormat::Metadata{c.path, size, c.mtime, created, checksum};
            });
        std::filesystem::rename(temporary, LocalFormat::objectPath(device, id));
        manifest.push_back({{"id", id},
                            {"source", source.string()},
                            {"object", LocalFormat::objectPath(device, id).string()},
                            {"path", c.path},
                            {"size", c.size},
                            {"mtime", c.mtime},
                            {"created", created},
                            {"hmac", result.checksum},
                            {"objectSize", result.objectSize}});
    }
    std::cout << manifest.dump() << "\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 3 && args[0] == "write") {
            return writeAll(args[1], keyFromHex(args[2]));
        }
        if (args.size() == 4 && args[0] == "restore") {
            LocalFormat::restoreObject(args[1], args[2], keyFromHex(args[3]));
            return 0;
        }
        if (args.size() == 3 && args[0] == "metadata") {
            const auto meta = LocalFormat::readMetadata(args[1], keyFromHex(args[2]));
            std::cout << nlohmann::json{{"path", meta.path},
                                        {"size", meta.size},
                                        {"mtime", meta.mtime},
                                        {"created", meta.created},
                                        {"hmac", meta.hmac}}
                             .dump()
                      << "\n";
            return 0;
        }
        if (args.size() == 3 && args[0] == "verify-header") {
            const auto header = LocalFormat::readHeaderFile(args[1]);
            const bool ok = header && LocalFormat::verifyKeyCheck(*header, keyFromHex(args[2]));
            std::cout << (ok ? "ok" : "mismatch") << "\n";
            return ok ? 0 : 4;
        }
    } catch (const LocalFormat::FormatError& error) {
        std::cout << kindName(error.kind()) << "\n";
        return 3;
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    std::cerr << "usage: see the comment at the top of CrossCheckTool.cpp\n";
    return 2;
}
