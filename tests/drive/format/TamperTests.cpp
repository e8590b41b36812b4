// A reader never trusts the drive: damaged, cut, renamed, reordered or foreign files give the format's
// errors, never wrong plaintext, and a failed restore leaves whatever was at the target untouched.

#include "drive/format/FileIo.h"
#include "drive/format/FormatCrypto.h"
#include "drive/format/LocalFormat.h"
#include "tests/drive/format/DriveTestSupport.h"
#include "tests/support/TempDir.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace keldra::test {
namespace {

using LocalFormat::FormatError;
using Kind = FormatError::Kind;

constexpr char objectID[] = "a1b2c3d4e5f60718293a4b5c6d7e8f90";
constexpr char otherID[] = "0f1e2d3c4b5a69788796a5b4c3d2e1f0";
constexpr std::size_t chunk = 4194304;
constexpr std::size_t recordsStart = 4108;
constexpr std::size_t fullRecord = chunk + 28;

// Runs `action` and gives the FormatError kind it threw, or a marker when it threw something else or
// nothing at all.
enum class Outcome { ok, notAnObject, badHeader, authFailed, truncated, io, other };
Outcome outcomeOf(const std::function<void()>& action) {
    try {
        action();
        return Outcome::ok;
    } catch (const FormatError& error) {
        switch (error.kind()) {
        case Kind::notAnObject:
            return Outcome::notAnObject;
        case Kind::badHeader:
            return Outcome::badHeader;
        case Kind::authFailed:
            return Outcome::authFailed;
        case Kind::truncated:
            return Outcome::truncated;
        case Kind::io:
            return Outcome::io;
        }
    } catch (...) {
    }
    return Outcome::other;
}

void putBigEndian32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    LocalFormat::writeBigEndian32(bytes.data() + offset, value);
}

// A three-record object (two full chunks and a short last one), built once for the whole suite.
class DriveObjectTamper : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fixtureDir_ = new TempDir;
        content_ = new Bytes(patternBytes(2 * chunk + 100, 9));
        const auto written = writeTestObject(fixtureDir_->path(), objectID, *content_, driveTestKey());
        object_ = new Bytes(readBytes(written.path));
        ASSERT_EQ(object_->size(), recordsStart + 2 * fullRecord + 128);
    }
    static void TearDownTestSuite() {
        delete object_;
        delete content_;
        delete fixtureDir_;
    }

    std::filesystem::path place(const Bytes& bytes, const std::string& id = objectID) {
        const auto path = dir_ / "objects" / id.substr(0, 2) / (id + ".olo");
        writeBytes(path, bytes);
        return path;
    }

    static TempDir* fixtureDir_;
    static Bytes* content_;
    static Bytes* object_;
    TempDir dir_;
};

TempDir* DriveObjectTamper::fixtureDir_ = nullptr;
Bytes* DriveObjectTamper::content_ = nullptr;
Bytes* DriveObjectTamper::object_ = nullptr;

struct TamperCase {
    const char* label;
    std::function<Bytes(const Bytes&)> change;
    Outcome metadata; // readMetadata
    Outcome restore;  // restoreObject
};

Bytes cut(const Bytes& bytes, std::size_t size) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(size));
}

Bytes flip(const Bytes& bytes, std::size_t offset) {
    Bytes out = bytes;
    out.at(offset) ^= 0x01;
    return out;
}

TEST_F(DriveObjectTamper, EveryDamageGivesItsErrorAndNoPlaintext) {
    const TamperCase cases[] = {
        {"intact", [](const Bytes& b) { return b; }, Outcome::ok, Outcome::ok},
        {"7 bytes", [](const Bytes& b) { return cut(b, 7); }, Outcome::notAnObject, Outcome::notAnObject},
        {"empty file", [](const Bytes&) { return Bytes{}; }, Outcome::notAnObject, Outcome::notAnObject},
        {"wrong magic", [](const Bytes& b) { return flip(b, 3); }, Outcome::notAnObject,
         Outcome::notAnObject},
        {"slot length 27",
         [](const Bytes& b) {
             Bytes o = b;
             putBigEndian32(o, 4, 27);
             return o;
         },
         Outcome::badHeader, Outcome::badHeader},
        {"slot length 1000000",
         [](const Bytes& b) {
             Bytes o = b;
             putBigEndian32(o, 4, 1000000);
             return o;
         },
         Outcome::badHeader, Outcome::badHeader},
        {"slot length 0xffffffff",
         [](const Bytes& b) {
             Bytes o = b;
             putBigEndian32(o, 4, 0xffffffffu);
             return o;
         },
         Outcome::badHeader, Outcome::badHeader},
        {"slot length 28 (a shifted object)",
         [](const Bytes& b) {
             Bytes o = b;
             putBigEndian32(o, 4, 28);
             putBigEndian32(o, 36, 0xffffffffu); // what now reads as the chunk size
             return o;
         },
         Outcome::authFailed, Outcome::badHeader},
        {"slot cut short", [](const Bytes& b) { return cut(b, 8 + 4000); }, Outcome::badHeader,
         Outcome::truncated},
        {"chunk size field cut", [](const Bytes& b) { return cut(b, 4106); }, Outcome::ok,
         Outcome::truncated},
        {"no records", [](const Bytes& b) { return cut(b, recordsStart); }, Outcome::ok, Outcome::truncated},
        {"27 bytes of a record", [](const Bytes& b) { return cut(b, recordsStart + 27); }, Outcome::ok,
         Outcome::truncated},
        {"chunk size 0",
         [](const Bytes& b) {
             Bytes o = b;
             putBigEndian32(o, 4104, 0);
             return o;
         },
         Outcome::ok, Outcome::badHeader},
        {"chunk size above 64 MiB",
         [](const Bytes& b) {
             Bytes o = b;
             putBigEndian32(o, 4104, 67108865);
             return o;
         },
         Outcome::ok, Outcome::badHeader},
        {"chunk size changed",
         [](const Bytes& b) {
             Bytes o = b;
             putBigEndian32(o, 4104, chunk - 1);
             return o;
         },
         Outcome::ok, Outcome::authFailed},
        {"cut at the first record boundary", [](const Bytes& b) { return cut(b, recordsStart + fullRecord); },
         Outcome::ok, Outcome::authFailed},
        {"cut at the second record boundary",
         [](const Bytes& b) { return cut(b, recordsStart + 2 * fullRecord); }, Outcome::ok,
         Outcome::authFailed},
        {"last record cut", [](const Bytes& b) { return cut(b, b.size() - 1); }, Outcome::ok,
         Outcome::authFailed},
        {"bytes appended",
         [](const Bytes& b) {
             Bytes o = b;
             o.insert(o.end(), 40, 0);
             return o;
         },
         Outcome::ok, Outcome::authFailed},
        {"records 0 and 1 swapped",
         [](const Bytes& b) {
             Bytes o = b;
             std::swap_ranges(o.begin() + recordsStart, o.begin() + recordsStart + fullRecord,
                              o.begin() + recordsStart + fullRecord);
             return o;
         },
         Outcome::ok, Outcome::authFailed},
        {"record 1 dropped",
         [](const Bytes& b) {
             Bytes o = b;
             o.erase(o.begin() + recordsStart + fullRecord, o.begin() + recordsStart + 2 * fullRecord);
             return o;
         },
         Outcome::ok, Outcome::authFailed},
        {"bit flipped in the slot nonce", [](const Bytes& b) { return flip(b, 8); }, Outcome::authFailed,
         Outcome::ok},
        {"bit flipped in the slot tag", [](const Bytes& b) { return flip(b, 4103); }, Outcome::authFailed,
         Outcome::ok},
        {"bit flipped in a record nonce", [](const Bytes& b) { return flip(b, recordsStart + 3); },
         Outcome::ok, Outcome::authFailed},
        {"bit flipped in ciphertext", [](const Bytes& b) { return flip(b, recordsStart + fullRecord + 500); },
         Outcome::ok, Outcome::authFailed},
        {"bit flipped in the last tag", [](const Bytes& b) { return flip(b, b.size() - 1); }, Outcome::ok,
         Outcome::authFailed},
    };
    const auto key = driveTestKey();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto object = place(c.change(*object_));
        EXPECT_EQ(outcomeOf([&] { LocalFormat::readMetadata(object, key); }), c.metadata);

        // A good file already at the target survives every failed restore, and nothing is left beside it.
        const auto target = dir_ / "out" / "restored.bin";
        writeBytes(target, toBytes("previous content"));
        EXPECT_EQ(outcomeOf([&] { LocalFormat::restoreObject(object, target, key); }), c.restore);
        if (c.restore == Outcome::ok) {
            EXPECT_TRUE(readBytes(target) == *content_);
        } else {
            EXPECT_EQ(toString(readBytes(target)), "previous content");
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ / "out"),
                                std::filesystem::directory_iterator()),
                  1);
    }
}

TEST_F(DriveObjectTamper, ObjectOnlyOpensUnderItsOwnNameAndKey) {
    const auto key = driveTestKey();
    const std::pair<const char*, std::function<std::filesystem::path()>> placements[] = {
        {"renamed to another id",
         [&] {
             return place(*object_, otherID);
         }},
        {"renamed to an id that differs in case",
         [&] {
             return place(*object_, "A1B2C3D4E5F60718293A4B5C6D7E8F90");
         }},
    };
    for (const auto& [label, where] : placements) {
        SCOPED_TRACE(label);
        const auto object = where();
        EXPECT_EQ(outcomeOf([&] { LocalFormat::readMetadata(object, key); }), Outcome::authFailed);
        EXPECT_EQ(outcomeOf([&] { LocalFormat::restoreObject(object, dir_ / "r.bin", key); }),
                  Outcome::authFailed);
        EXPECT_FALSE(std::filesystem::exists(dir_ / "r.bin"));
    }
    const auto object = place(*object_);
    for (const auto& other : {driveTestKey(1), driveTestKey(200)}) {
        EXPECT_EQ(outcomeOf([&] { LocalFormat::readMetadata(object, other); }), Outcome::authFailed);
        EXPECT_EQ(outcomeOf([&] { LocalFormat::restoreObject(object, dir_ / "r.bin", other); }),
                  Outcome::authFailed);
    }
}

// A record of another object (same key, same index) spliced in is refused: the identifier is bound in.
TEST_F(DriveObjectTamper, RecordsOfAnotherObjectAreRefused) {
    const auto key = driveTestKey();
    const auto foreign = writeTestObject(dir_.path(), otherID, patternBytes(2 * chunk + 100, 3), key);
    const Bytes other = readBytes(foreign.path);
    Bytes spliced = *object_;
    std::copy(other.begin() + recordsStart, other.begin() + recordsStart + fullRecord,
              spliced.begin() + recordsStart);
    EXPECT_EQ(outcomeOf([&] { LocalFormat::restoreObject(place(spliced), dir_ / "r.bin", key); }),
              Outcome::authFailed);

    // The other object's metadata slot in this object's file.
    Bytes slotSwapped = *object_;
    std::copy(other.begin() + 8, other.begin() + 8 + 4096, slotSwapped.begin() + 8);
    EXPECT_EQ(outcomeOf([&] { LocalFormat::readMetadata(place(slotSwapped), key); }), Outcome::authFailed);
}

// A slot that opens but does not hold the metadata JSON is damage, not a crash or a half-filled record.
TEST_F(DriveObjectTamper, SlotThatOpensToSomethingElseIsAuthFailed) {
    const auto key = driveTestKey();
    const auto contentKey = LocalFormat::contentKey(key);
    for (const std::string& plain : {std::string(4068, ' '), std::string(4068, '\0'),
                                     std::string("{\"path\":\"~/a\"}") + std::string(4054, ' ')}) {
        Bytes object = *object_;
        const auto nonce = LocalFormat::randomNonce();
        std::copy(nonce.begin(), nonce.end(), object.begin() + 8);
        std::copy(plain.begin(), plain.end(), object.begin() + 20);
        const auto tag = LocalFormat::sealInPlace(contentKey, nonce, object.data() + 20, 4068,
                                                  LocalFormat::metadataAad(objectID));
        std::copy(tag.begin(), tag.end(), object.begin() + 20 + 4068);
        EXPECT_EQ(outcomeOf([&] { LocalFormat::readMetadata(place(object), key); }), Outcome::authFailed);
    }
}

TEST_F(DriveObjectTamper, ReadersPassOnFileSystemErrorsAndCancel) {
    const auto key = driveTestKey();
    EXPECT_THROW(LocalFormat::readMetadata(dir_ / "missing.olo", key), std::system_error);
    EXPECT_THROW(LocalFormat::restoreObject(dir_ / "missing.olo", dir_ / "r.bin", key), std::system_error);

    const auto object = place(*object_);
    try {
        LocalFormat::restoreObject(object, dir_ / "no-such-folder" / "r.bin", key);
        FAIL() << "restored into a missing folder";
    } catch (const FormatError& error) {
        EXPECT_EQ(error.message(), "Couldn't write the restored file.");
    }

    CancelSource cancel;
    int chunks = 0;
    EXPECT_THROW(LocalFormat::restoreObject(object, dir_ / "r.bin", key, cancel.get_token(),
                                            [&](std::uint64_t) {
                                                ++chunks;
                                                cancel.request_stop();
                                            }),
                 CancelledError);
    EXPECT_EQ(chunks, 1);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "r.bin"));
}

TEST(DriveFormatError, TextsAndRestoreWording) {
    EXPECT_EQ(FormatError(Kind::notAnObject).message(), "Not a Orlivane Keldra backup file.");
    EXPECT_EQ(FormatError(Kind::badHeader).message(), "The backup file's header is damaged.");
    EXPECT_EQ(FormatError(Kind::authFailed).message(),
              "The backup file is damaged or was made with a different key.");
    EXPECT_EQ(FormatError(Kind::truncated).message(), "The backup file is incomplete.");
    EXPECT_EQ(FormatError::io("Couldn't write to the drive.").message(), "Couldn't write to the drive.");
    EXPECT_STREQ(FormatError(Kind::truncated).what(), "The backup file is incomplete.");

    const StoredCopyFaultSource& damaged = FormatError(Kind::authFailed);
    EXPECT_EQ(damaged.storedCopyFault(), StoredCopyFault::damaged);
    EXPECT_EQ(FormatError(Kind::truncated).storedCopyFault(), StoredCopyFault::incomplete);
    EXPECT_EQ(FormatError(Kind::badHeader).storedCopyFault(), StoredCopyFault::none);
}

} // namespace
} // namespace keldra::test
