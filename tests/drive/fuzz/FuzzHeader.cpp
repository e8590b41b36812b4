// Fuzz target: arbitrary bytes as "backup.json". Decoding never crashes, the key check never throws, and
// a header that decodes survives being written and read again unchanged.

#include "drive/format/BackupHeader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto header = keldra::LocalFormat::decodeHeader(text);
    if (!header) {
        return 0;
    }
    static const keldra::KeldraKey key(keldra::SymmetricKey{});
    (void)keldra::LocalFormat::verifyKeyCheck(*header, key);
    const auto again = keldra::LocalFormat::decodeHeader(keldra::LocalFormat::encodeHeader(*header));
    if (again != header) {
        std::abort();
    }
    return 0;
}
