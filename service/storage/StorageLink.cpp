#include "service/storage/StorageLink.h"

#include <algorithm>
#include <cctype>
#include <curl/curl.h>
#include <memory>

namespace keldra {

namespace {

// One part of a parsed URL, or none when the URL has no such part.
std::unique_ptr<char, decltype(&curl_free)> urlPart(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK) {
        curl_free(text);
        text = nullptr;
    }
    return {text, &curl_free};
}

} // namespace

bool isStorageLink(const std::string& text) {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), &curl_url_cleanup);
    if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) {
        return false;
    }
    const auto scheme = urlPart(url.get(), CURLUPART_SCHEME);
    const auto host = urlPart(url.get(), CURLUPART_HOST);
    if (!scheme || !host || host.get()[0] == '\0') {
        return false;
    }
    std::string name = scheme.get();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name == "http" || name == "https";
}

} // namespace keldra
