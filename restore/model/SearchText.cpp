#include "restore/model/SearchText.h"

#include <cstdint>
#include <memory>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

namespace keldra {
namespace {

bool isSearchBlank(UChar32 c) {
    return c == '\t' || (c >= 0 && u_charType(c) == U_SPACE_SEPARATOR);
}

const std::uint8_t* bytes(std::string_view text) {
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

} // namespace

std::string trimSearchText(std::string_view text) {
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t start = 0;
    while (start < length) {
        std::int32_t next = start;
        UChar32 c = 0;
        U8_NEXT(bytes(text), next, length, c);
        if (!isSearchBlank(c)) {
            break;
        }
        start = next;
    }
    std::int32_t end = length;
    while (end > start) {
        std::int32_t previous = end;
        UChar32 c = 0;
        U8_PREV(bytes(text), start, previous, c);
        if (!isSearchBlank(c)) {
            break;
        }
        end = previous;
    }
    return std::string(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

bool hasAtLeastCharacters(std::string_view text, std::size_t count) {
    if (count == 0) {
        return true;
    }
    if (text.size() < count) {
        return false; // every character takes at least one byte
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UText, decltype(&utext_close)> utext(
        utext_openUTF8(nullptr, text.data(), static_cast<std::int64_t>(text.size()), &status), utext_close);
    std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> breaks(
        ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status), ubrk_close);
    if (U_FAILURE(status)) {
        return text.size() >= count;
    }
    ubrk_setUText(breaks.get(), utext.get(), &status);
    if (U_FAILURE(status)) {
        return text.size() >= count;
    }
    std::size_t seen = 0;
    ubrk_first(breaks.get());
    while (ubrk_next(breaks.get()) != UBRK_DONE) {
        if (++seen >= count) {
            return true;
        }
    }
    return false;
}

void appendFoldedForSearch(std::string& out, std::string_view text) {
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t pos = 0;
    while (pos < length) {
        const auto byte = static_cast<unsigned char>(text[static_cast<std::size_t>(pos)]);
        if (byte < 0x80) {
            out.push_back(byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + ('a' - 'A'))
                                                     : static_cast<char>(byte));
            ++pos;
            continue;
        }
        const std::int32_t start = pos;
        UChar32 c = 0;
        U8_NEXT(bytes(text), pos, length, c);
        if (c < 0) {
            out.append(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(pos - start)));
            continue;
        }
        const UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        char buffer[U8_MAX_LENGTH];
        std::int32_t written = 0;
        UBool error = false;
        U8_APPEND(reinterpret_cast<std::uint8_t*>(buffer), written, U8_MAX_LENGTH, folded, error);
        (void)error; // a folded code point always fits
        out.append(buffer, static_cast<std::size_t>(written));
    }
}

std::string foldedForSearch(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendFoldedForSearch(out, text);
    return out;
}

} // namespace keldra
