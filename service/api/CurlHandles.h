#pragma once

#include <curl/curl.h>
#include <memory>

namespace keldra {

// Owners of libcurl handles, so every path out of a transfer releases them.
struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

struct CurlSlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// A header list that grows by appending; a failed append keeps the list as it was.
class CurlHeaderList {
public:
    bool append(const char* line) {
        curl_slist* grown = curl_slist_append(list_.get(), line);
        if (grown == nullptr) {
            return false;
        }
        list_.release();
        list_.reset(grown);
        return true;
    }
    curl_slist* get() const { return list_.get(); }

private:
    std::unique_ptr<curl_slist, CurlSlistDeleter> list_;
};

struct CurlShareDeleter {
    void operator()(CURLSH* handle) const { curl_share_cleanup(handle); }
};
using CurlShare = std::unique_ptr<CURLSH, CurlShareDeleter>;

// libcurl's one-time global set-up, done before the first handle is made.
void ensureCurlInitialised();

} // namespace keldra
