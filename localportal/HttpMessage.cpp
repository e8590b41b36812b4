#include "localportal/HttpMessage.h"

#include <algorithm>
#include <cctype>

namespace keldra::localportal {

bool HeaderNameLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

std::string HttpRequest::header(const std::string& name) const {
    const auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
}

bool HttpRequest::hasHeader(const std::string& name) const {
    return headers.find(name) != headers.end();
}

std::string HttpRequest::param(const std::string& name) const {
    const auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

bool HttpRequest::hasParam(const std::string& name) const {
    return params.find(name) != params.end();
}

void HttpResponse::setContent(std::string content, const std::string& contentType) {
    body = std::move(content);
    file.reset();
    brokenBodySize.reset();
    setHeader("Content-Type", contentType);
}

void HttpResponse::setHeader(const std::string& name, const std::string& value) {
    headers.erase(name);
    headers.emplace(name, value);
}

std::string HttpResponse::header(const std::string& name) const {
    const auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
}

} // namespace keldra::localportal
