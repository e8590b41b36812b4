#pragma once

#include "core/platform/MimeTypes.h"

namespace keldra {

// MIME types from the shared-mime-info database, by the file name's extension only (contents are never read).
class SharedMimeTypes final : public MimeTypes {
public:
    std::string mimeType(const std::filesystem::path& path) const override;
};

} // namespace keldra
