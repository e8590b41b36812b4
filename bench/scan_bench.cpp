// Scanner throughput against find(1) on the same tree, in the same run, with a warm cache.
// Usage: scan_bench [files] [runs]

#include "core/scan/SourceScanner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Folders of 500 files, 20 to a parent, so the tree has the shape of a real home folder's depth.
void buildTree(const std::filesystem::path& root, int files) {
    const std::string payload = "some bytes so sizes are not all zero\n";
    int made = 0;
    for (int top = 0; made < files; ++top) {
        for (int sub = 0; sub < 20 && made < files; ++sub) {
            const auto folder = root / ("dir" + std::to_string(top)) / ("sub" + std::to_string(sub));
            std::filesystem::create_directories(folder);
            for (int i = 0; i < 500 && made < files; ++i, ++made) {
                const auto path = folder / ("file-" + std::to_string(i) + (i % 10 == 0 ? ".jpg" : ".txt"));
                const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                if (fd < 0 ||
                    ::write(fd, payload.data(), payload.size() * static_cast<size_t>(1 + i % 3) / 3) < 0) {
                    std::perror("fixture");
                    std::exit(1);
                }
                ::close(fd);
            }
        }
    }
}

double timeFind(const std::filesystem::path& root) {
    const std::string command = "find '" + root.string() + "' -printf '%s %T@\\n' > /dev/null";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "find failed\n");
        std::exit(1);
    }
    return seconds(Clock::now() - start);
}

double timeScan(const std::filesystem::path& root, int64_t& filesSeen) {
    keldra::ExclusionRules rules{true, true, false, {"*.iso"}};
    keldra::UncertainPaths uncertain;
    int64_t files = 0;
    int64_t bytes = 0;
    const auto start = Clock::now();
    keldra::SourceScanner().scan(
        root.string(), false, rules, uncertain, {},
        [&](const std::string&, int64_t size, double) {
            ++files;
            bytes += size;
        },
        [](const keldra::ScanFailure&) {}, {});
    const double elapsed = seconds(Clock::now() - start);
    filesSeen = files;
    return elapsed;
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 200'000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    std::string pattern = (std::filesystem::temp_directory_path() / "keldra-scan-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path root = pattern;
    std::printf("building %d files under %s ...\n", files, root.c_str());
    buildTree(root, files);

    int64_t seen = 0;
    timeFind(root); // warm the cache for both
    timeScan(root, seen);
    std::vector<double> findTimes;
    std::vector<double> scanTimes;
    for (int run = 0; run < runs; ++run) {
        findTimes.push_back(timeFind(root));
        scanTimes.push_back(timeScan(root, seen));
    }
    std::filesystem::remove_all(root);

    const double findTime = median(findTimes);
    const double scanTime = median(scanTimes);
    std::printf("files visited by scan: %lld\n", static_cast<long long>(seen));
    std::printf("find:    %.3f s  %.0f files/s (median of %d)\n", findTime, files / findTime, runs);
    std::printf("scanner: %.3f s  %.0f files/s (median of %d)\n", scanTime, files / scanTime, runs);
    std::printf("scanner rate / find rate: %.2f (target >= 0.80)\n", findTime / scanTime);
    return seen == files ? 0 : 1;
}
