#pragma once

#include <filesystem>
#include <string>

namespace keldra::test {

// A tmpfs of a few hundred KiB mounted on a folder, to run out of space on cue; unmounted at the end.
// Mounting needs root: where it is not permitted, mounted() is false and the test skips.
class SmallDisk {
public:
    SmallDisk(const std::filesystem::path& folder, std::size_t bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& whyNot() const { return whyNot_; }

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
    std::string whyNot_;
};

} // namespace keldra::test
