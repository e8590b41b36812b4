// Fuzz target: arbitrary bytes as a drive object file, read by both readers. Any outcome but a format
// error, a file-system error or a good read (a crash, a sanitizer report, another exception) is a bug.

#include "drive/format/LocalFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// The corpus seeds are objects sealed under this key for this identifier, so the fuzzer starts from files
// that open and mutates its way through every check.
const keldra::KeldraKey& fuzzKey() {
    static const keldra::KeldraKey key = [] {
        keldra::SymmetricKey bytes{};
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(i);
        }
        return keldra::KeldraKey(bytes);
    }();
    return key;
}

// A scratch folder for the input file, removed when the process ends.
class WorkFolder {
public:
    WorkFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "keldra-fuzz-object-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    ~WorkFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

const std::filesystem::path& workFolder() {
    static const WorkFolder folder;
    return folder.path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto object = workFolder() / "00112233445566778899aabbccddeeff.olo";
    const auto target = workFolder() / "restored";
    {
        std::ofstream out(object, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    try {
        (void)keldra::LocalFormat::readMetadata(object, fuzzKey());
    } catch (const keldra::LocalFormat::FormatError&) {
    } catch (const std::system_error&) {
    }
    try {
        keldra::LocalFormat::restoreObject(object, target, fuzzKey());
        // Only a fully authenticated object may produce a file.
    } catch (const keldra::LocalFormat::FormatError&) {
        if (std::filesystem::exists(target)) {
            std::abort();
        }
    } catch (const std::system_error&) {
    }
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    return 0;
}
