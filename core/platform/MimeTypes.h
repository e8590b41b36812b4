#pragma once

#include <filesystem>
#include <string>

namespace keldra {

// The MIME type sent with an upload, by the file name's extension.
class MimeTypes {
public:
    static constexpr const char* fallback = "application/octet-stream";

    virtual ~MimeTypes() = default;
    // The fallback for a name without extension or with an unknown one.
    virtual std::string mimeType(const std::filesystem::path& path) const = 0;
};

} // namespace keldra
