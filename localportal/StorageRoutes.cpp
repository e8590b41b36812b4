#include "localportal/PortalRoutes.h"

#include <cerrno>
#include <memory>
#include <unistd.h>

namespace keldra::localportal {

namespace {

void sendStorageError(HttpResponse& res, int status, const std::string& code, const std::string& message) {
    res.status = status;
    res.setContent("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>" + code + "</Code><Message>" +
                       message + "</Message></Error>",
                   "application/xml");
}

// The presigned link's key, expiry and signature; false with the refusal written when any of them fails.
bool checkLink(PortalContext& context, const HttpRequest& req, HttpResponse& res, const std::string& method,
               const std::string& key, const std::string& contentType) {
    // A signed link is the request's only credential: object storage refuses a second one outright.
    if (req.hasHeader("Authorization")) {
        sendStorageError(res, 400, "InvalidArgument",
                         "Only one auth mechanism allowed; only the X-Amz-Algorithm query parameter, "
                         "Signature query string parameter or the Authorization header should be specified");
        return false;
    }
    if (!ObjectStore::isValidKey(key)) {
        sendStorageError(res, 403, "AccessDenied", "Access Denied");
        return false;
    }
    const auto expires = parseId(req.param("expires"));
    const std::string signature = req.param("signature");
    if (!expires || signature.empty() ||
        !context.signer.verify(method, key, *expires, contentType, signature)) {
        sendStorageError(res, 403, "SignatureDoesNotMatch",
                         "The request signature we calculated does not match the signature you provided.");
        return false;
    }
    if (*expires < nowSeconds()) {
        sendStorageError(res, 403, "AccessDenied", "Request has expired");
        return false;
    }
    return true;
}

void put(PortalContext& context, const HttpRequest& req, HttpResponse& res, const BodyReader& reader) {
    const std::string key = req.matches[1];
    bool consumed = false;
    // Reading the whole body (even one we refuse) keeps the connection in step for the next request.
    auto drain = [&] {
        if (!consumed) {
            consumed = true;
            reader([&context](const char*, std::size_t size) {
                context.stats.addBytesIn(size);
                return true;
            });
        }
    };
    if (!req.hasHeader("Content-Length") || req.header("Transfer-Encoding") == "chunked") {
        // Without a declared length there is no way to tell a whole body from a cut-off one.
        res.setHeader("Connection", "close");
        sendStorageError(res, 411, "MissingContentLength",
                         "You must provide the Content-Length HTTP header.");
        consumed = true;
        context.serve("storage-put", req, res, [](const auto&) {});
        return;
    }
    const auto declared = parseId(req.header("Content-Length"));
    if (!declared) {
        res.setHeader("Connection", "close");
        consumed = true;
        context.serve("storage-put", req, res, [&](const auto&) {
            sendStorageError(res, 400, "InvalidArgument", "The Content-Length header is not valid.");
        });
        return;
    }
    if (static_cast<std::uint64_t>(*declared) > context.maxObjectBytes) {
        res.setHeader("Connection", "close");
        consumed = true;
        context.serve("storage-put", req, res, [&](const auto&) {
            sendStorageError(res, 413, "EntityTooLarge",
                             "Your proposed upload exceeds the maximum allowed size");
        });
        return;
    }
    context.serve("storage-put", req, res, [&](const auto&) {
        if (!checkLink(context, req, res, "PUT", key, req.header("Content-Type"))) {
            return;
        }
        auto incoming = context.objects.begin(key);
        if (!incoming) {
            sendStorageError(res, 500, "InternalError", "The object could not be stored.");
            return;
        }
        consumed = true;
        const bool received = reader([&](const char* data, std::size_t size) {
            context.stats.addBytesIn(size);
            return incoming->write(data, size);
        });
        if (!received || incoming->size() != static_cast<std::uint64_t>(*declared)) {
            sendStorageError(res, 400, "IncompleteBody", "The request body was not received completely.");
            return;
        }
        if (!incoming->commit(context.durableObjects)) {
            sendStorageError(res, 500, "InternalError", "The object could not be stored.");
            return;
        }
        res.status = 200;
        res.setHeader("ETag", "\"" + std::to_string(*declared) + "\"");
    });
    drain();
}

void get(PortalContext& context, const HttpRequest& req, HttpResponse& res) {
    const std::string key = req.matches[1];
    context.serve("storage-get", req, res, [&](const auto&) {
        if (!checkLink(context, req, res, "GET", key, "")) {
            return;
        }
        auto object = context.objects.open(key);
        if (!object) {
            sendStorageError(res, 404, "NoSuchKey", "The specified key does not exist.");
            return;
        }
        res.status = 200;
        res.setHeader("Content-Type", "application/octet-stream");
        // Sent by the kernel from the stored file (see HttpServer's sendFile).
        res.file = HttpResponse::FileBody{std::make_shared<UniqueFd>(std::move(object->first)),
                                          object->second, [&context](std::uint64_t sent) {
                                              context.stats.addBytesOut(sent);
                                          }};
    });
}

void trace(PortalContext& context, const HttpRequest& req, HttpResponse& res) {
    context.serve("trace", req, res, [&](const auto&) {
        std::string text = "fl=0f0\nh=" + req.header("Host") + "\nip=" + req.remoteAddr +
                           "\nts=" + std::to_string(nowSeconds()) +
                           "\nvisit_scheme=http\nuag=" + req.header("User-Agent") +
                           "\ncolo=LCL\nsliver=none\nhttp=http/1.1\n";
        if (const auto country = context.settings().country) {
            text += "loc=" + *country + "\n";
        }
        text += "tls=off\nsni=off\nwarp=off\ngateway=off\nrbi=off\nkex=none\n";
        res.status = 200;
        res.setContent(text, "text/plain");
    });
}

} // namespace

void addStorageRoutes(HttpServer& server, PortalContext& context) {
    server.putStreaming(R"(/storage/(.+))",
                        [&context](const HttpRequest& req, HttpResponse& res, const BodyReader& reader) {
                            put(context, req, res, reader);
                        });
    server.get(R"(/storage/(.+))",
               [&context](const HttpRequest& req, HttpResponse& res) { get(context, req, res); });
    server.get("/cdn-cgi/trace",
               [&context](const HttpRequest& req, HttpResponse& res) { trace(context, req, res); });
}

} // namespace keldra::localportal
