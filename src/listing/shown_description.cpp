#include "shown_description.h"

#include "platform/code_page.h"

#include <algorithm>
#include <iterator>

namespace {

// The lead bytes of RFC 3629's table of well-formed sequences, with the range that the byte after
// each may take (the bytes after that all take 0x80 to 0xBF).
struct LeadBytes {
    unsigned char first;
    unsigned char last;
    unsigned char length;
    unsigned char secondLow;
    unsigned char secondHigh;
};
constexpr LeadBytes LEAD_BYTES[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, // U+0080 to U+07FF: 0xC0 and 0xC1 begin only overlong forms
    {0xE0, 0xE0, 3, 0xA0, 0xBF}, // U+0800 to U+0FFF: not overlong
    {0xE1, 0xEC, 3, 0x80, 0xBF}, // U+1000 to U+CFFF
    {0xED, 0xED, 3, 0x80, 0x9F}, // U+D000 to U+D7FF: not a surrogate
    {0xEE, 0xEF, 3, 0x80, 0xBF}, // U+E000 to U+FFFF
    {0xF0, 0xF0, 4, 0x90, 0xBF}, // U+10000 to U+3FFFF: not overlong
    {0xF1, 0xF3, 4, 0x80, 0xBF}, // U+40000 to U+FFFFF
    {0xF4, 0xF4, 4, 0x80, 0x8F}, // U+100000 to U+10FFFF: nothing above
};

bool inRange(char c, unsigned char low, unsigned char high) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= low && byte <= high;
}

bool holdsByteAbove0x7F(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return !inRange(c, 0, 0x7F); });
}

} // namespace

bool isWellFormedUtf8(std::string_view text) {
    size_t at = 0;
    while (at < text.size()) {
        if (inRange(text[at], 0, 0x7F)) {
            ++at;
            continue;
        }
        const auto* lead =
            std::find_if(std::begin(LEAD_BYTES), std::end(LEAD_BYTES),
                         [&](const LeadBytes& l) { return inRange(text[at], l.first, l.last); });
        if (lead == std::end(LEAD_BYTES) || text.size() - at < lead->length ||
            !inRange(text[at + 1], lead->secondLow, lead->secondHigh)) {
            return false;
        }
        for (size_t i = 2; i < lead->length; ++i) {
            if (!inRange(text[at + i], 0x80, 0xBF)) {
                return false;
            }
        }
        at += lead->length;
    }
    return true;
}

const std::string& shownDescription(const std::string& description, std::string& converted) {
    if (holdsByteAbove0x7F(description) && isWellFormedUtf8(description) &&
        utf8ToCodePage932(description, converted)) {
        return converted;
    }
    return description;
}
