// Fuzz target: arbitrary bytes as the metadata JSON of an opened slot. Decoding never crashes, and
// metadata that decodes is written back to JSON that decodes to the same values (every double included,
// which checks the shortest-number writer).

#include "drive/format/ObjectMetadata.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto meta = keldra::LocalFormat::decodeMetadata(text);
    if (!meta) {
        return 0;
    }
    const auto again = keldra::LocalFormat::decodeMetadata(keldra::LocalFormat::encodeMetadata(*meta));
    if (again != meta) {
        std::abort();
    }
    return 0;
}
