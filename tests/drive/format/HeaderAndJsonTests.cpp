// "backup.json", "README.txt", "device.json" and the encoder-compatible JSON they are written in.

#include "core/codec/Base64.h"
#include "drive/format/EncoderJson.h"
#include "drive/format/LocalFormat.h"
#include "drive/format/UtcTimestamp.h"
#include "tests/drive/format/DriveTestSupport.h"
#include "tests/support/TempDir.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace keldra::test {
namespace {

using namespace LocalFormat;

TEST(DriveJsonEncoding, NumbersAsThePlatformEncoderWritesThem) {
    const std::pair<double, const char*> cases[] = {
        {0.0, "0"},
        {-0.0, "-0"},
        {100.0, "100"},
        {1700000100.0, "1700000100"},
        {1700000000.25, "1700000000.25"},
        {1700000000.123456, "1700000000.123456"},
        {-12.5, "-12.5"},
        {0.1, "0.1"},
        {0.001, "0.001"},
        {0.0001, "0.0001"},
        {0.00001, "1e-05"},
        {1.5e-7, "1.5e-07"},
        {1e15, "1000000000000000"},
        {18014398509481984.0, "18014398509481984"}, // 2^54, the last whole number written out
        {18014398509481988.0, "1.8014398509481988e+16"},
        {1e300, "1e+300"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(jsonNumber(value), text) << value;
    }
    EXPECT_THROW(jsonNumber(std::numeric_limits<double>::infinity()), std::invalid_argument);
    EXPECT_THROW(jsonNumber(std::nan("")), std::invalid_argument);
}

TEST(DriveJsonEncoding, StringEscapes) {
    const std::pair<std::string, std::string> cases[] = {
        {"~/a/b", "\"~\\/a\\/b\""},
        {"q\"b\\s", "\"q\\\"b\\\\s\""},
        {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
        {std::string("\x01\x1f", 2), "\"\\u0001\\u001f\""},
        {std::string(1, '\0'), "\"\\u0000\""},
        {"\x7f", "\"\x7f\""},
        {"caf\xc3\xa9 \xe2\x80\xa8", "\"caf\xc3\xa9 \xe2\x80\xa8\""},
    };
    for (const auto& [raw, escaped] : cases) {
        std::string out;
        appendJsonString(out, raw);
        EXPECT_EQ(out, escaped);
    }
}

TEST(DriveMetadataJson, DecodeAcceptsAnyOrderAndRejectsWrongTypes) {
    const auto good =
        decodeMetadata(R"(  {"hmac":"ab","created":2,"mtime":1.5,"size":7,"path":"~/a","extra":[1]}   )");
    ASSERT_TRUE(good);
    EXPECT_EQ(*good, (Metadata{"~/a", 7, 1.5, 2, "ab"}));

    const char* bad[] = {
        R"({"path":"~/a","size":7,"mtime":1,"created":2})",                               // hmac missing
        R"({"path":"~/a","size":"7","mtime":1,"created":2,"hmac":"ab"})",                 // size as text
        R"({"path":"~/a","size":7.5,"mtime":1,"created":2,"hmac":"ab"})",                 // size not whole
        R"({"path":"~/a","size":9223372036854775808,"mtime":1,"created":2,"hmac":"ab"})", // above Int64
        R"({"path":1,"size":7,"mtime":1,"created":2,"hmac":"ab"})",
        R"({"path":"~/a","size":7,"mtime":"1","created":2,"hmac":"ab"})",
        R"(["path"])",
        "{\"path\":\"\xff\",\"size\":7,\"mtime\":1,\"created\":2,\"hmac\":\"ab\"}",
        "",
        "{",
    };
    for (const char* json : bad) {
        EXPECT_FALSE(decodeMetadata(json)) << json;
    }
}

TEST(DriveHeader, MadeHeaderHasTheFormatShapeAndVerifies) {
    const auto key = driveTestKey();
    const auto header = makeHeader(key, fromUnixSeconds(1700000000.9));
    EXPECT_EQ(header.format, "orlivane-keldra-local");
    EXPECT_EQ(header.version, 2);
    EXPECT_EQ(header.created, "2023-11-14T22:13:20Z");
    EXPECT_EQ(header.keyCheckIV.size(), 16u);
    EXPECT_EQ(header.keyCheck.size(), 44u);
    EXPECT_TRUE(verifyKeyCheck(header, key));
    EXPECT_NE(makeHeader(key).keyCheckIV, header.keyCheckIV) << "each header draws a fresh nonce";

    // The exact bytes of "backup.json": compact, in field order, "/" escaped.
    std::string expected =
        "{\"format\":\"orlivane-keldra-local\",\"version\":2,\"created\":\"2023-11-14T22:13:20Z\","
        "\"keyCheckIV\":";
    appendJsonString(expected, header.keyCheckIV);
    expected += ",\"keyCheck\":";
    appendJsonString(expected, header.keyCheck);
    expected += "}";
    EXPECT_EQ(encodeHeader(header), expected);
    EXPECT_EQ(decodeHeader(encodeHeader(header)), header);
    EXPECT_EQ(encodeHeader(BackupHeader{"a/b", 2, "c", "d", "e"}),
              R"({"format":"a\/b","version":2,"created":"c","keyCheckIV":"d","keyCheck":"e"})");
}

TEST(DriveHeader, KeyCheckFailsForEveryWrongHeader) {
    const auto key = driveTestKey();
    const auto good = makeHeader(key);
    auto with = [&](auto change) {
        auto header = good;
        change(header);
        return header;
    };
    const std::pair<const char*, BackupHeader> cases[] = {
        {"another passphrase", makeHeader(driveTestKey(7))},
        {"other format tag", with([](BackupHeader& h) { h.format = "orlivane-keldra-cloud"; })},
        {"other version", with([](BackupHeader& h) { h.version = 3; })},
        {"key check not base64", with([](BackupHeader& h) { h.keyCheck = "!!!!"; })},
        {"IV not base64", with([](BackupHeader& h) { h.keyCheckIV = "abc"; })},
        {"key check of 15 bytes", with([](BackupHeader& h) { h.keyCheck = base64Encode(Bytes(15, 1)); })},
        {"IV of 11 bytes", with([](BackupHeader& h) { h.keyCheckIV = base64Encode(Bytes(11, 1)); })},
        {"another nonce", with([](BackupHeader& h) { h.keyCheckIV = base64Encode(Bytes(12, 0)); })},
    };
    for (const auto& [label, header] : cases) {
        EXPECT_FALSE(verifyKeyCheck(header, key)) << label;
    }

    // Sealed right but without the "keycheck" additional data, or over another text: refused too.
    const auto contentKey = LocalFormat::contentKey(key);
    const auto nonce = randomNonce();
    for (const auto& [text, aad] :
         {std::pair<std::string, std::string>{"cairn-local-ok-v2", ""}, {"cairn-local-ok-v1", "keycheck"}}) {
        Bytes sealed = toBytes(text);
        const auto tag = sealInPlace(contentKey, nonce, sealed.data(), sealed.size(), aad);
        sealed.insert(sealed.end(), tag.begin(), tag.end());
        const BackupHeader header{"orlivane-keldra-local", 2, "x", base64Encode(nonce.data(), 12),
                                  base64Encode(sealed)};
        EXPECT_FALSE(verifyKeyCheck(header, key)) << text << " / " << aad;
    }
}

TEST(DriveHeader, DecodeRequiresAllFiveKeysWithTheirTypes) {
    EXPECT_TRUE(
        decodeHeader(R"({"keyCheck":"e","keyCheckIV":"d","created":"c","version":2,"format":"f","x":1})"));
    for (const char* json :
         {R"({"format":"f","version":2,"created":"c","keyCheckIV":"d"})",
          R"({"format":"f","version":"2","created":"c","keyCheckIV":"d","keyCheck":"e"})",
          R"({"format":"f","version":2.5,"created":"c","keyCheckIV":"d","keyCheck":"e"})",
          R"({"format":null,"version":2,"created":"c","keyCheckIV":"d","keyCheck":"e"})", "[]", "not json"}) {
        EXPECT_FALSE(decodeHeader(json)) << json;
    }
}

TEST(DriveFiles, ReadmeAndDeviceFileTexts) {
    const std::string readme = readmeText();
    EXPECT_EQ(readme, "Orlivane Keldra backup\n"
                      "======================\n"
                      "\n"
                      "This folder holds encrypted backups made by Orlivane Keldra for Linux.\n"
                      "Every file and file name is encrypted with a key made from your Keldra passphrase.\n"
                      "Nobody can open them without that passphrase, including Orlivane.\n"
                      "\n"
                      "To restore: open Orlivane Keldra \xe2\x80\xba Restore and choose this drive.\n"
                      "Without the app: run keldra-drive-restore (in the app's Tools folder, also on\n"
                      "orlivane.example) with Python 3 and your passphrase.\n"
                      "\n"
                      "Don't rename or edit anything in here. Deleting this folder deletes the backups.");
    EXPECT_EQ(deviceJson("Ana's laptop / work"), R"({"name":"Ana's laptop \/ work"})");
}

TEST(DriveFiles, HeaderFileRoundTripsAndRejectsJunk) {
    TempDir dir;
    const auto key = driveTestKey();
    const auto header = makeHeader(key);
    ASSERT_FALSE(writeHeaderFile(dir.path(), header));
    ASSERT_FALSE(writeReadmeFile(dir.path()));
    EXPECT_EQ(readHeaderFile(dir.path()), header);
    EXPECT_EQ(readFile(dir / "README.txt"), readmeText());

    writeFile(dir / "backup.json", std::string(1 << 20, ' ') + encodeHeader(header));
    EXPECT_FALSE(readHeaderFile(dir.path())) << "a header file far larger than any header is not read";
    writeFile(dir / "backup.json", "{\"format\":");
    EXPECT_FALSE(readHeaderFile(dir.path()));
    std::filesystem::remove(dir / "backup.json");
    EXPECT_FALSE(readHeaderFile(dir.path()));

    const auto device = dir / "devices" / "dev1";
    std::filesystem::create_directories(device);
    ASSERT_FALSE(writeDeviceFile(device, "Desk"));
    EXPECT_EQ(readFile(device / "device.json"), R"({"name":"Desk"})");
}

TEST(DriveTimestamps, WholeSecondsUtcClampedToFourDigitYears) {
    EXPECT_EQ(internetDateTime(0.0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(internetDateTime(1700000100.999), "2023-11-14T22:15:00Z");
    EXPECT_EQ(internetDateTime(-0.5), "1969-12-31T23:59:59Z");
    EXPECT_EQ(internetDateTime(1e300), "9999-12-31T23:59:59Z");
    EXPECT_EQ(internetDateTime(-1e300), "0001-01-01T00:00:00Z");
}

} // namespace
} // namespace keldra::test
