#include "restore/tree/NaturalOrder.h"

#include <cstdint>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace keldra {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digit run starting at `pos`, without its leading zeros; `pos` moves past the run.
std::string_view digitRun(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < text.size() && isDigit(text[pos])) {
        ++pos;
    }
    std::size_t significant = start;
    while (significant + 1 < pos && text[significant] == '0') {
        ++significant;
    }
    return text.substr(significant, pos - significant);
}

// The next code point, case-folded; a malformed byte stands for itself (above every real code point)
// so broken names still sort consistently.
UChar32 nextFolded(std::string_view text, std::size_t& pos) {
    if (const auto byte = static_cast<unsigned char>(text[pos]); byte < 0x80) {
        // ASCII folds to itself but for the capitals: the common case, without the general lookup.
        ++pos;
        return byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    auto offset = static_cast<std::int32_t>(pos);
    const auto length = static_cast<std::int32_t>(text.size());
    const std::int32_t start = offset;
    UChar32 c = 0;
    U8_NEXT(data, offset, length, c);
    if (c < 0) {
        pos = static_cast<std::size_t>(start) + 1;
        return 0x110000 + data[start];
    }
    pos = static_cast<std::size_t>(offset);
    return u_foldCase(c, U_FOLD_CASE_DEFAULT);
}

} // namespace

int naturalCompare(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const auto runA = digitRun(a, i);
            const auto runB = digitRun(b, j);
            if (runA.size() != runB.size()) {
                return runA.size() < runB.size() ? -1 : 1;
            }
            if (const int order = runA.compare(runB); order != 0) {
                return order < 0 ? -1 : 1;
            }
            continue;
        }
        const UChar32 ca = nextFolded(a, i);
        const UChar32 cb = nextFolded(b, j);
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    const bool aDone = i >= a.size();
    const bool bDone = j >= b.size();
    if (aDone != bDone) {
        return aDone ? -1 : 1;
    }
    const int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

std::string naturalSortKey(std::string_view text) {
    std::string key;
    key.reserve(text.size() + 8);
    appendNaturalSortKey(key, text);
    return key;
}

void appendNaturalSortKey(std::string& key, std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (isDigit(text[pos])) {
            // Any digit orders the same against a non-digit, so one marker stands for the run; then the
            // significant length (fixed width, so equal lengths stay aligned) and the digits.
            const auto run = digitRun(text, pos);
            const auto length = static_cast<std::uint32_t>(run.size());
            key.push_back('0');
            for (int shift = 24; shift >= 0; shift -= 8) {
                key.push_back(static_cast<char>((length >> shift) & 0xFF));
            }
            key.append(run);
            continue;
        }
        const UChar32 c = nextFolded(text, pos);
        if (c < 0x80) {
            key.push_back(static_cast<char>(c));
            continue;
        }
        if (c >= 0x110000) {
            // A malformed byte: above every code point, in byte order among themselves.
            key.push_back(static_cast<char>(0xF8));
            key.push_back(static_cast<char>(c - 0x110000));
            continue;
        }
        // UTF-8 keeps code point order under a byte comparison.
        char buffer[U8_MAX_LENGTH];
        std::int32_t length = 0;
        UBool error = false;
        U8_APPEND(reinterpret_cast<std::uint8_t*>(buffer), length, U8_MAX_LENGTH, c, error);
        (void)error; // a folded code point always fits
        key.append(buffer, static_cast<std::size_t>(length));
    }
}

} // namespace keldra
