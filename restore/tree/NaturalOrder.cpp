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

} // namespace keldra
