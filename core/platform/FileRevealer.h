#pragma once

#include <filesystem>

namespace keldra {

// Shows a file in the desktop's file manager (selected where the manager can), else opens its folder.
class FileRevealer {
public:
    virtual ~FileRevealer() = default;
    virtual void reveal(const std::filesystem::path& path) = 0;
};

} // namespace keldra
