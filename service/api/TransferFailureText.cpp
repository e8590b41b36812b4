#include "service/api/TransferFailureText.h"

namespace keldra {

std::string transferFailureText(CURLcode code, std::string_view invalidAddressText) {
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return "The request timed out.";
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return "A server with the specified hostname could not be found.";
    case CURLE_COULDNT_CONNECT:
        return "Could not connect to the server.";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return "An SSL error has occurred and a secure connection to the server cannot be made.";
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return "The network connection was lost.";
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return std::string(invalidAddressText);
    default:
        return std::string("The request failed: ") + curl_easy_strerror(code) + ".";
    }
}

} // namespace keldra
