#pragma once

#include <httplib.h>
#include <nlohmann/json.hpp>
#include <string>

namespace keldra::test {

// A plain HTTP client of the portal for contract tests: no client logic, just requests and answers.
class PortalTestClient {
public:
    explicit PortalTestClient(std::string baseUrl, std::string token = {})
        : baseUrl_(std::move(baseUrl)), token_(std::move(token)) {}

    void setToken(std::string token) { token_ = std::move(token); }

    struct Answer {
        int status = 0;
        std::string body;
        httplib::Headers headers;
        nlohmann::json json() const { return nlohmann::json::parse(body, nullptr, false); }
        std::string header(const std::string& name) const {
            auto it = headers.find(name);
            return it == headers.end() ? std::string() : it->second;
        }
    };

    Answer get(const std::string& path) { return send("GET", path, ""); }
    Answer post(const std::string& path, const nlohmann::json& body) {
        return send("POST", path, body.dump());
    }
    Answer postRaw(const std::string& path, const std::string& body) { return send("POST", path, body); }
    // A POST exactly as given: body and Content-Type (none when empty) left as they are.
    Answer postAs(const std::string& path, const std::string& body, const std::string& contentType) {
        return send("POST", path, body, contentType);
    }
    Answer del(const std::string& path) { return send("DELETE", path, ""); }

    // A request to a full URL (a presigned storage link).
    // `bearer`: an Authorization header as well, which a signed link must not carry.
    static Answer fetch(const std::string& method, const std::string& url, const std::string& body = {},
                        const std::string& contentType = {}, const std::string& bearer = {});

private:
    Answer send(const std::string& method, const std::string& path, const std::string& body,
                const std::string& contentType = "application/json");

    std::string baseUrl_;
    std::string token_;
};

inline PortalTestClient::Answer toAnswer(const httplib::Result& result) {
    PortalTestClient::Answer answer;
    if (result) {
        answer.status = result->status;
        answer.body = result->body;
        answer.headers = result->headers;
    }
    return answer;
}

inline PortalTestClient::Answer PortalTestClient::send(const std::string& method, const std::string& path,
                                                       const std::string& body,
                                                       const std::string& contentType) {
    httplib::Client client(baseUrl_);
    client.set_read_timeout(30, 0);
    httplib::Headers headers{{"Accept", "application/json"}};
    if (!token_.empty()) {
        headers.emplace("Authorization", "Bearer " + token_);
    }
    if (method == "GET") {
        return toAnswer(client.Get(path.c_str(), headers));
    }
    if (method == "DELETE") {
        return toAnswer(client.Delete(path.c_str(), headers));
    }
    if (contentType.empty()) {
        return toAnswer(client.Post(path.c_str(), headers, body.data(), body.size(), std::string()));
    }
    return toAnswer(client.Post(path.c_str(), headers, body, contentType));
}

inline PortalTestClient::Answer PortalTestClient::fetch(const std::string& method, const std::string& url,
                                                        const std::string& body,
                                                        const std::string& contentType,
                                                        const std::string& bearer) {
    const auto schemeEnd = url.find("://") + 3;
    const auto pathStart = url.find('/', schemeEnd);
    httplib::Client client(url.substr(0, pathStart));
    client.set_read_timeout(60, 0);
    const std::string path = url.substr(pathStart);
    httplib::Headers headers;
    if (!bearer.empty()) {
        headers.emplace("Authorization", "Bearer " + bearer);
    }
    if (method == "PUT") {
        return toAnswer(client.Put(path.c_str(), headers, body, contentType.c_str()));
    }
    return toAnswer(client.Get(path.c_str(), headers));
}

} // namespace keldra::test
