// Byte-level layout of drive objects: other programs read these files, so sizes, offsets, flags and the
// sealed metadata are checked byte for byte.

#include "core/codec/Hex.h"
#include "core/fs/RegularFile.h"
#include "drive/format/FormatCrypto.h"
#include "drive/format/LocalFormat.h"
#include "tests/drive/format/DriveTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace keldra::test {
namespace {

using LocalFormat::FormatError;

constexpr char objectID[] = "0123456789abcdef0123456789abcdef";
constexpr std::size_t chunk = 4194304;

TEST(DriveContentKey, MatchesHkdfKnownAnswer) {
    // HKDF-SHA256(ikm = 00 01 .. 1f, salt "tarnwicke-strata-local-v2", info "content"), computed elsewhere.
    EXPECT_EQ(LocalFormat::hexString(LocalFormat::contentKey(driveTestKey()).data(), 32),
              "1eef3341a0c04c05aed6d2a05407646df1f2e5296116d003abdf033846bc1bdc");
}

TEST(DriveObjectLayout, HexStringIsLowercaseTwoDigitsPerByte) {
    EXPECT_EQ(LocalFormat::hexString(Bytes{0x00, 0x0f, 0xa0, 0xff}), "000fa0ff");
    EXPECT_EQ(LocalFormat::hexString(Bytes{}), "");
}

struct SizeCase {
    std::size_t plainSize;
    std::vector<std::size_t> recordPlainSizes; // the last one is flagged last
};

class DriveObjectSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(DriveObjectSizes, RecordsSizesFlagsAndRoundTrip) {
    const auto& param = GetParam();
    TempDir dir;
    const auto key = driveTestKey();
    const Bytes content = patternBytes(param.plainSize);
    std::vector<std::uint64_t> metered;
    const auto source = dir / "source.bin";
    writeBytes(source, content);
    std::filesystem::create_directories(dir / "objects");
    const auto temporary = dir / "objects" / "01" / (std::string(".tmp-") + objectID);
    const auto result = LocalFormat::writeObject(
        source, temporary, objectID, key,
        [](const std::string& checksum, std::int64_t size) {
            return LocalFormat::Metadata{"~/a", size, 1, 2, checksum};
        },
        [&](std::uint64_t length) { metered.push_back(length); });

    std::size_t expectedSize = 4108;
    for (const auto size : param.recordPlainSizes) {
        expectedSize += size + 28;
    }
    const Bytes object = readBytes(temporary);
    ASSERT_EQ(object.size(), expectedSize);
    EXPECT_EQ(result.objectSize, static_cast<std::int64_t>(expectedSize));
    EXPECT_EQ(result.plaintextLength, static_cast<std::int64_t>(param.plainSize));
    const auto checksumKey = key.checksumKey();
    EXPECT_EQ(result.checksum, keyedChecksumHex(checksumKey, content.data(), content.size()));

    // Head: magic, slot length 4096, chunk size 4 MiB at 8 + 4096.
    EXPECT_EQ(std::string(object.begin(), object.begin() + 4), "OLO2");
    EXPECT_EQ(bigEndian32(object, 4), 4096u);
    EXPECT_EQ(bigEndian32(object, 4104), chunk);

    // Every record opens with its own index and last flag, and only with them.
    const auto contentKey = LocalFormat::contentKey(key);
    std::size_t offset = 4108;
    Bytes joined;
    for (std::size_t i = 0; i < param.recordPlainSizes.size(); ++i) {
        const bool last = i + 1 == param.recordPlainSizes.size();
        const std::size_t length = param.recordPlainSizes[i] + 28;
        const auto opened = gcmOpenRecord(contentKey, object.data() + offset, length,
                                          LocalFormat::chunkAad(objectID, i, last));
        ASSERT_TRUE(opened) << "record " << i;
        EXPECT_FALSE(gcmOpenRecord(contentKey, object.data() + offset, length,
                                   LocalFormat::chunkAad(objectID, i, !last)));
        joined.insert(joined.end(), opened->begin(), opened->end());
        offset += length;
    }
    EXPECT_EQ(joined, content);

    std::vector<std::uint64_t> expectedMeter;
    for (const auto size : param.recordPlainSizes) {
        if (size > 0) {
            expectedMeter.push_back(size);
        }
    }
    EXPECT_EQ(metered, expectedMeter);

    const auto object2 = dir / "objects" / "01" / (std::string(objectID) + ".olo");
    std::filesystem::rename(temporary, object2);
    const auto restored = dir / "restored.bin";
    LocalFormat::restoreObject(object2, restored, key);
    EXPECT_EQ(readBytes(restored), content);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, DriveObjectSizes,
                         ::testing::Values(SizeCase{0, {0}}, SizeCase{1, {1}},
                                           SizeCase{chunk - 1, {chunk - 1}}, SizeCase{chunk, {chunk}},
                                           SizeCase{chunk + 1, {chunk, 1}},
                                           SizeCase{2 * chunk, {chunk, chunk}},
                                           SizeCase{2 * chunk + 7, {chunk, chunk, 7}}),
                         [](const auto& info) { return "Bytes" + std::to_string(info.param.plainSize); });

TEST(DriveObjectLayout, EmptyFileIsExactly4136Bytes) {
    TempDir dir;
    const auto written = writeTestObject(dir.path(), objectID, {}, driveTestKey());
    EXPECT_EQ(std::filesystem::file_size(written.path), 4136u);
    EXPECT_EQ(written.result.plaintextLength, 0);
}

// The slot holds exactly the encoder's JSON padded with spaces to 4068 bytes, sealed with "meta:" + id.
TEST(DriveObjectLayout, MetadataSlotIsEncoderJsonPaddedAndBoundToId) {
    TempDir dir;
    const auto key = driveTestKey();
    const Bytes content = toBytes("hello");
    const auto written =
        writeTestObject(dir.path(), objectID, content, key, "~/Docs/a \"b\".txt", 1700000100);
    const Bytes object = readBytes(written.path);
    const auto contentKey = LocalFormat::contentKey(key);
    const auto plain = gcmOpenRecord(contentKey, object.data() + 8, 4096, std::string("meta:") + objectID);
    ASSERT_TRUE(plain);
    ASSERT_EQ(plain->size(), 4068u);
    const std::string expected =
        "{\"path\":\"~\\/Docs\\/a \\\"b\\\".txt\",\"size\":5,\"mtime\":1690000000.25,"
        "\"created\":1700000100,\"hmac\":\"" +
        written.result.checksum + "\"}";
    EXPECT_EQ(std::string(plain->begin(), plain->begin() + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(std::string(plain->begin() + static_cast<long>(expected.size()), plain->end()),
              std::string(4068 - expected.size(), ' '));
    EXPECT_FALSE(gcmOpenRecord(contentKey, object.data() + 8, 4096, "meta:ffffffffffffffffffffffffffffffff"));

    const auto meta = LocalFormat::readMetadata(written.path, key);
    EXPECT_EQ(meta, (LocalFormat::Metadata{"~/Docs/a \"b\".txt", 5, 1690000000.25, 1700000100,
                                           written.result.checksum}));
}

// The limit counts the escaped JSON: every "/" of the path costs two bytes.
TEST(DriveObjectLayout, MetadataLimitFallsAt4068EscapedBytes) {
    const std::string checksum(64, 'a');
    auto jsonFor = [&](const std::string& path) {
        return LocalFormat::encodeMetadata({path, 0, 1690000000.25, 1700000100.5, checksum});
    };
    // Many short pieces, so the escaping of every "/" decides where the limit falls.
    std::string path = "~/x";
    while (jsonFor(path + "/x").size() <= 4068) {
        path += "/x";
    }
    std::string atLimit = path;
    while (jsonFor(atLimit).size() < 4068) {
        atLimit.insert(2, "y");
    }
    ASSERT_EQ(jsonFor(atLimit).size(), 4068u);
    const std::string overLimit = std::string(atLimit).insert(2, "y");
    ASSERT_EQ(jsonFor(overLimit).size(), 4069u);
    ASSERT_LT(atLimit.size(), 3000u) << "the escaping of '/' must be what pushes the JSON to the limit";

    TempDir dir;
    const auto key = driveTestKey();
    const auto ok = writeTestObject(dir.path(), objectID, toBytes("x"), key, atLimit, 1700000100.5);
    EXPECT_EQ(LocalFormat::readMetadata(ok.path, key).path, atLimit);

    try {
        writeTestObject(dir.path(), "fedcba9876543210fedcba9876543210", toBytes("x"), key, overLimit,
                        1700000100.5);
        FAIL() << "a path over the limit was accepted";
    } catch (const FormatError& error) {
        EXPECT_EQ(error.kind(), FormatError::Kind::io);
        EXPECT_EQ(error.message(), "This file's path is too long to back up to a drive.");
    }
}

TEST(DriveObjectWriter, FailuresAreTypedAndLeaveNoFinishedObject) {
    TempDir dir;
    const auto key = driveTestKey();
    auto builder = [](const std::string& checksum, std::int64_t size) {
        return LocalFormat::Metadata{"~/a", size, 1, 2, checksum};
    };
    // A source that cannot be opened is a source error with the system's reason, not a drive error.
    try {
        LocalFormat::writeObject(dir / "missing", dir / "o" / ".tmp-x", objectID, key, builder);
        FAIL() << "wrote a missing source";
    } catch (const SourceReadError& error) {
        EXPECT_EQ(error.errorNumber(), ENOENT);
    }

    // A temporary file that cannot be created is the fixed drive message, with the system's reason kept.
    writeBytes(dir / "source", toBytes("abc"));
    std::filesystem::create_directories(dir / "blocked" / (std::string(".tmp-") + objectID));
    try {
        LocalFormat::writeObject(dir / "source", dir / "blocked" / (std::string(".tmp-") + objectID),
                                 objectID, key, builder);
        FAIL() << "wrote over a folder";
    } catch (const FormatError& error) {
        EXPECT_EQ(error.message(), "Couldn't write to the drive.");
        EXPECT_TRUE(error.cause());
    }

    // A name that is not UTF-8 would make an object nobody can read back: refused.
    EXPECT_THROW(LocalFormat::writeObject(dir / "source", dir / ".tmp-y", objectID, key,
                                          [](const std::string& checksum, std::int64_t size) {
                                              return LocalFormat::Metadata{"~/bad\xff", size, 1, 2, checksum};
                                          }),
                 std::system_error);
}

// A drive that went away leaves its empty mount point: the writer makes the fan-out folder only, never the
// folders above it, so nothing lands on the wrong disk.
TEST(DriveObjectWriter, MakesOnlyTheFanOutFolder) {
    TempDir dir;
    writeBytes(dir / "source", toBytes("abc"));
    auto builder = [](const std::string& checksum, std::int64_t size) {
        return LocalFormat::Metadata{"~/a", size, 1, 2, checksum};
    };
    const auto mountPoint = dir / "mnt";
    std::filesystem::create_directories(mountPoint);
    try {
        LocalFormat::writeObject(dir / "source", mountPoint / "devices" / "d" / "objects" / "01" / ".tmp-x",
                                 objectID, driveTestKey(), builder);
        FAIL() << "wrote below a missing device folder";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
    }
    EXPECT_TRUE(std::filesystem::is_empty(mountPoint));

    std::filesystem::create_directories(dir / "objects");
    LocalFormat::writeObject(dir / "source", dir / "objects" / "01" / ".tmp-x", objectID, driveTestKey(),
                             builder);
    EXPECT_TRUE(std::filesystem::exists(dir / "objects" / "01" / ".tmp-x"));
}

TEST(DriveObjectWriter, ReplacesAStaleTemporaryFile) {
    TempDir dir;
    const auto key = driveTestKey();
    const auto temporary = dir / (std::string(".tmp-") + objectID);
    writeBytes(temporary, patternBytes(10 * 1024 * 1024));
    writeBytes(dir / "source", toBytes("new"));
    LocalFormat::writeObject(dir / "source", temporary, objectID, key,
                             [](const std::string& checksum, std::int64_t size) {
                                 return LocalFormat::Metadata{"~/a", size, 1, 2, checksum};
                             });
    EXPECT_EQ(std::filesystem::file_size(temporary), 4108u + 3 + 28);
}

TEST(DriveObjectWriter, CancellationStopsBetweenChunks) {
    TempDir dir;
    writeBytes(dir / "source", patternBytes(chunk + 1));
    CancelSource source;
    int chunks = 0;
    EXPECT_THROW(LocalFormat::writeObject(
                     dir / "source", dir / ".tmp-c", objectID, driveTestKey(),
                     [](const std::string& checksum, std::int64_t size) {
                         return LocalFormat::Metadata{"~/a", size, 1, 2, checksum};
                     },
                     [&](std::uint64_t) {
                         ++chunks;
                         source.request_stop();
                     },
                     source.get_token()),
                 CancelledError);
    EXPECT_EQ(chunks, 1);
}

} // namespace
} // namespace keldra::test
