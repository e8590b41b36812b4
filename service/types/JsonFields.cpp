#include "service/types/JsonFields.h"

#include <cctype>

namespace keldra::json_fields {

namespace {

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

} // namespace

std::string camelCaseFromSnakeCase(std::string_view key) {
    // Leading and trailing underscores are kept; inner runs of underscores separate words.
    const auto first = key.find_first_not_of('_');
    if (first == std::string_view::npos) {
        return std::string(key);
    }
    const auto last = key.find_last_not_of('_');
    const std::string_view inner = key.substr(first, last - first + 1);

    std::vector<std::string_view> words;
    size_t start = 0;
    while (start <= inner.size()) {
        const auto end = inner.find('_', start);
        const auto piece =
            inner.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!piece.empty()) {
            words.push_back(piece);
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    if (words.size() <= 1) {
        return std::string(key);
    }
    std::string out(key.substr(0, first));
    for (size_t i = 0; i < words.size(); ++i) {
        for (size_t j = 0; j < words[i].size(); ++j) {
            const char c = words[i][j];
            out.push_back(i > 0 && j == 0 ? upper(c) : lower(c));
        }
    }
    out.append(key.substr(last + 1));
    return out;
}

const Json* find(const Json& object, std::string_view snakeKey) {
    if (!object.is_object()) {
        return nullptr;
    }
    const std::string exact(snakeKey);
    if (auto it = object.find(exact); it != object.end()) {
        return &*it;
    }
    const std::string wanted = camelCaseFromSnakeCase(snakeKey);
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (camelCaseFromSnakeCase(it.key()) == wanted) {
            return &*it;
        }
    }
    return nullptr;
}

void requireObject(const Json& value, std::string_view record) {
    if (!value.is_object()) {
        throw DecodingError("Expected an object for " + std::string(record));
    }
}

} // namespace keldra::json_fields
