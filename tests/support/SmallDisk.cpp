#include "tests/support/SmallDisk.h"

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

namespace keldra::test {

SmallDisk::SmallDisk(const std::filesystem::path& folder, std::size_t bytes) : folder_(folder) {
    std::filesystem::create_directories(folder);
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0) {
        mounted_ = true;
    } else {
        whyNot_ = std::string("mounting a tmpfs is not permitted here (") + std::strerror(errno) + ")";
    }
}

SmallDisk::~SmallDisk() {
    if (mounted_) {
        ::umount2(folder_.c_str(), MNT_DETACH);
    }
}

} // namespace keldra::test
