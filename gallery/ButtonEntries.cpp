#include "gallery/GalleryEntry.h"

namespace keldra::gallery {

std::vector<GalleryEntry> buttonEntries() {
    return {};
}

} // namespace keldra::gallery
