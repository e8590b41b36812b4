#include "service/storage/StorageLink.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

// Upload and download links pass the same rule: an http(s) scheme and a host.
TEST(StorageLink, OnlyHttpUrlsWithAHostAreAccepted) {
    for (const char* good : {"http://127.0.0.1:8080/storage/abc?sig=1", "https://storage.example/x",
                             "HTTPS://storage.example/x", "http://[::1]:9000/bucket/key"}) {
        EXPECT_TRUE(isStorageLink(good)) << good;
    }
    for (const char* bad : {"", "not a url", "/storage/abc", "ftp://host/x", "file:///etc/passwd", "http://",
                            "https://:443/x", "http://@/x"}) {
        EXPECT_FALSE(isStorageLink(bad)) << bad;
    }
}

} // namespace
} // namespace keldra
