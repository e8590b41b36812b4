// Reading a large source a chunk at a time, straight from the disk where its file system allows: the
// chunks are the file's bytes in order up to its end or the limit, whichever way they were read.

#include "core/fs/UniqueFd.h"
#include "drive/format/ChunkBuffers.h"
#include "drive/format/LocalFormat.h"
#include "drive/format/SourceChunkReader.h"
#include "tests/drive/format/DriveTestSupport.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace keldra::test {
namespace {

using LocalFormat::SourceChunkReader;

constexpr std::size_t chunk = LocalFormat::chunkSize;

// Every chunk the reader gives, joined.
Bytes readAll(SourceChunkReader& reader, LocalFormat::ChunkBuffer& buffer,
              std::vector<std::size_t>& lengths) {
    Bytes all;
    for (;;) {
        const std::size_t length = reader.next(buffer.get());
        lengths.push_back(length);
        all.insert(all.end(), buffer.get(), buffer.get() + length);
        if (length < chunk) {
            return all;
        }
    }
}

// A folder of its own under `parent`, removed at the end.
struct ScratchFolder {
    explicit ScratchFolder(const std::filesystem::path& parent)
        : path(parent / ("keldra-reader-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

TEST(SourceChunkReader, GivesTheFilesBytesInWholeChunksUpToItsEndOrTheLimit) {
    struct Case {
        const char* name;
        std::size_t size;
        std::int64_t limit; // bytes; -1: none
    };
    const std::vector<Case> cases = {
        {"a tail of a few bytes", 2 * chunk + 7, -1},
        {"an exact multiple", 2 * chunk, -1},
        {"a tail one block short", 3 * chunk - 4095, -1},
        {"the limit one byte beyond the end", chunk + 1, static_cast<std::int64_t>(chunk + 2)},
        // A file grown beyond what the scan saw: nothing past the limit is read.
        {"the limit inside the last block", 2 * chunk + 9000, static_cast<std::int64_t>(2 * chunk + 5)},
        {"the limit at a chunk's end", 2 * chunk + 9000, static_cast<std::int64_t>(chunk)},
    };
    // The test folder's file system (ext4 on the machines here: read directly) and tmpfs (which offers no
    // direct-read alignment: read through the cache); each way must give the same bytes.
    TempDir temp;
    std::vector<std::filesystem::path> folders{temp.path()};
    std::optional<ScratchFolder> shm;
    if (std::filesystem::is_directory("/dev/shm")) {
        folders.push_back(shm.emplace("/dev/shm").path);
    }
    LocalFormat::ChunkBufferPool pool;
    LocalFormat::ChunkBuffer buffer = pool.take();
    for (const std::filesystem::path& folder : folders) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " in " + folder.string());
            const Bytes bytes = patternBytes(c.size, static_cast<std::uint32_t>(c.size));
            const std::filesystem::path file = folder / "source.bin";
            writeBytes(file, bytes);
            UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
            ASSERT_TRUE(fd);
            SourceChunkReader reader(fd.get(), c.limit);
            EXPECT_EQ(reader.direct(), LocalFormat::directReadsFit(fd.get()));
            std::vector<std::size_t> lengths;
            const Bytes read = readAll(reader, buffer, lengths);
            const std::size_t expected =
                c.limit < 0 ? c.size : std::min(c.size, static_cast<std::size_t>(c.limit));
            ASSERT_EQ(read.size(), expected);
            EXPECT_TRUE(std::equal(read.begin(), read.end(), bytes.begin()));
            for (std::size_t i = 0; i + 1 < lengths.size(); ++i) {
                EXPECT_EQ(lengths[i], chunk) << i;
            }
            EXPECT_EQ(reader.next(buffer.get()), 0u) << "a read after the end";
        }
    }
    // The pool hands the same buffer out again.
    std::uint8_t* const kept = buffer.get();
    pool.give(std::move(buffer));
    EXPECT_EQ(pool.take().get(), kept);
}

} // namespace
} // namespace keldra::test
