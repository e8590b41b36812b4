// Drive object throughput against cp on the same disk in the same run, and the writer's and restorer's
// peak memory for a small and a large file (it must not grow with the file's size).
//
//   drive_format_bench [folder, default $TMPDIR] [size in MiB, default 1024]

#include "core/fs/UniqueFd.h"
#include "drive/format/LocalFormat.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <openssl/rand.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace keldra;
namespace fs = std::filesystem;

namespace {

constexpr char objectID[] = "0123456789abcdef0123456789abcdef";

double seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The process's peak resident size since the last reset, in MiB.
void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
double peakMemoryMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return -1;
}

void makeSource(const fs::path& path, std::size_t mib) {
    std::vector<unsigned char> block(1 << 20);
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    for (std::size_t i = 0; i < mib; ++i) {
        RAND_bytes(block.data(), static_cast<int>(block.size()));
        if (::write(fd.get(), block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
            std::perror("write");
            std::exit(1);
        }
    }
    ::fsync(fd.get());
}

void fsyncFile(const fs::path& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY));
    ::fsync(fd.get());
}

// cp, then flush the copy, as the object writer flushes its object.
double timeCp(const fs::path& from, const fs::path& to) {
    fs::remove(to);
    const auto start = std::chrono::steady_clock::now();
    const std::string command = "cp --reflink=never '" + from.string() + "' '" + to.string() + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "cp failed\n");
        std::exit(1);
    }
    fsyncFile(to);
    return seconds(std::chrono::steady_clock::now() - start);
}

struct Phase {
    double writeSeconds, restoreSeconds, writePeak, restorePeak;
};

Phase runFormat(const fs::path& folder, const fs::path& source, const KeldraKey& key) {
    const auto temporary = folder / (std::string(".tmp-") + objectID);
    const auto object = folder / (std::string(objectID) + ".olo");
    const auto restored = folder / "restored.bin";
    fs::remove(object);
    fs::remove(restored);
    std::uint64_t metered = 0;

    resetPeakMemory();
    auto start = std::chrono::steady_clock::now();
    LocalFormat::writeObject(
        source, temporary, objectID, key,
        [](const std::string& checksum, std::int64_t size) {
            return LocalFormat::Metadata{"~/bench/file.bin", size, 1700000000, 1700000001, checksum};
        },
        [&](std::uint64_t length) { metered += length; });
    const double writeSeconds = seconds(std::chrono::steady_clock::now() - start);
    const double writePeak = peakMemoryMiB();
    fs::rename(temporary, object);

    resetPeakMemory();
    start = std::chrono::steady_clock::now();
    LocalFormat::restoreObject(object, restored, key);
    const double restoreSeconds = seconds(std::chrono::steady_clock::now() - start);
    const double restorePeak = peakMemoryMiB();
    fs::remove(restored);
    return {writeSeconds, restoreSeconds, writePeak, restorePeak};
}

} // namespace

int main(int argc, char** argv) {
    const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const std::size_t mib = argc > 2 ? std::stoul(argv[2]) : 1024;
    const fs::path folder = base / "keldra-drive-format-bench";
    fs::create_directories(folder);
    SymmetricKey keyBytes{};
    RAND_bytes(keyBytes.data(), static_cast<int>(keyBytes.size()));
    const KeldraKey key(keyBytes);

    // A small file first: its peak memory is the baseline the large file must not exceed.
    const auto small = folder / "small.bin";
    makeSource(small, 64);
    const Phase smallPhase = runFormat(folder, small, key);
    fs::remove(small);

    const auto source = folder / "source.bin";
    makeSource(source, mib);
    const double mb = static_cast<double>(mib) * 1048576.0 / 1e6;

    // Alternate cp and the format's operation, twice, and keep the best of each: the disk's write-back makes
    // single runs noisy.
    double cpSeconds = 1e30;
    double writeSeconds = 1e30;
    double restoreSeconds = 1e30;
    Phase large{};
    for (int round = 0; round < 2; ++round) {
        cpSeconds = std::min(cpSeconds, timeCp(source, folder / "copy.bin"));
        fs::remove(folder / "copy.bin");
        large = runFormat(folder, source, key);
        writeSeconds = std::min(writeSeconds, large.writeSeconds);
        restoreSeconds = std::min(restoreSeconds, large.restoreSeconds);
    }

    std::printf("drive format bench: %zu MiB file in %s (best of 2)\n", mib, folder.c_str());
    std::printf("  cp (then fsync)            %8.1f MB/s\n", mb / cpSeconds);
    std::printf("  writeObject                %8.1f MB/s   ratio to cp %.2f\n", mb / writeSeconds,
                cpSeconds / writeSeconds);
    std::printf("  restoreObject              %8.1f MB/s   ratio to cp %.2f\n", mb / restoreSeconds,
                cpSeconds / restoreSeconds);
    std::printf("  peak memory, write         %8.1f MiB (64 MiB file: %.1f MiB)\n", large.writePeak,
                smallPhase.writePeak);
    std::printf("  peak memory, restore       %8.1f MiB (64 MiB file: %.1f MiB)\n", large.restorePeak,
                smallPhase.restorePeak);

    fs::remove_all(folder);
    return 0;
}
