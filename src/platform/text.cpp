#include "text.h"

#include "code_page.h"

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

struct CodePoints {
    char32_t first;
    char32_t last;
};
// What can disguise a line where a person reads: the C1 controls, the line and paragraph
// separators, and Unicode 15.1's format characters (category Cf).
constexpr CodePoints DISGUISING[] = {
    {0x0080, 0x009F},   {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},
    {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},
    {0x180E, 0x180E},   {0x200B, 0x200F},   {0x2028, 0x202E},   {0x2060, 0x2064},
    {0x2066, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD},
    {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
    {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
};

bool disguisesALine(char32_t c) {
    return std::any_of(std::begin(DISGUISING), std::end(DISGUISING),
                       [c](const CodePoints& r) { return c >= r.first && c <= r.last; });
}

constexpr std::string_view REPLACEMENT_CHARACTER = "\xEF\xBF\xBD"; // U+FFFD

// The length of the well-formed UTF-8 sequence that begins at text[at], or 0 if none does.
size_t sequenceLength(std::string_view text, size_t at) {
    if (inRange(text[at], 0, 0x7F)) {
        return 1;
    }
    const auto* lead =
        std::find_if(std::begin(LEAD_BYTES), std::end(LEAD_BYTES),
                     [&](const LeadBytes& l) { return inRange(text[at], l.first, l.last); });
    if (lead == std::end(LEAD_BYTES) || text.size() - at < lead->length ||
        !inRange(text[at + 1], lead->secondLow, lead->secondHigh)) {
        return 0;
    }
    for (size_t i = 2; i < lead->length; ++i) {
        if (!inRange(text[at + i], 0x80, 0xBF)) {
            return 0;
        }
    }
    return lead->length;
}

// Appends bytes, each well-formed UTF-8 character that disguises a line as U+FFFD: a terminal
// reads UTF-8 even among bytes that are not.
void appendWithoutDisguise(std::string_view bytes, std::string& readable) {
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t length = std::max<size_t>(sequenceLength(bytes, at), 1);
        const auto lead = static_cast<unsigned char>(bytes[at]);
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t i = 1; i < length; ++i) {
            c = c << 6 | (static_cast<unsigned char>(bytes[at + i]) & 0x3F);
        }
        const bool character = length > 1 || lead < 0x80;
        readable +=
            character && disguisesALine(c) ? REPLACEMENT_CHARACTER : bytes.substr(at, length);
        at += length;
    }
}

} // namespace

void append(Text& text, Encoding encoding, std::string_view bytes) {
    // An Unknown run is one field, decoded by itself: nothing joins it.
    if (text.runs.empty() || text.runs.back().encoding != encoding ||
        encoding == Encoding::Unknown) {
        text.runs.push_back({encoding, {}});
    }
    text.runs.back().bytes += bytes;
}

void append(Text& text, const Text& more) {
    for (const TextRun& run : more.runs) {
        append(text, run.encoding, run.bytes);
    }
}

Text toolText(std::string_view codePage932) {
    Text text;
    append(text, Encoding::CodePage932, codePage932);
    return text;
}

bool isWellFormedUtf8(std::string_view text) {
    size_t at = 0;
    while (at < text.size()) {
        const size_t length = sequenceLength(text, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

void appendField(Text& text, std::string_view field) {
    append(text, holdsByteAbove0x7F(field) ? Encoding::Unknown : Encoding::CodePage932, field);
}

void appendDescription(Text& text, std::string_view description) {
    if (holdsByteAbove0x7F(description) && isWellFormedUtf8(description)) {
        append(text, Encoding::Utf8, description);
    } else {
        appendField(text, description);
    }
}

std::string codePage932Bytes(const Text& text) {
    std::string bytes;
    std::string converted;
    for (const TextRun& run : text.runs) {
        const bool convert =
            run.encoding == Encoding::Utf8 && utf8ToCodePage932(run.bytes, converted);
        bytes += convert ? converted : run.bytes;
    }
    return bytes;
}

std::string readableUtf8(const Text& text) {
    std::string readable;
    std::string decoded;
    for (const TextRun& run : text.runs) {
        // Bytes that the platform cannot decode as code page 932 are shown as they stand.
        const bool decode = run.encoding != Encoding::Utf8 && codePage932ToUtf8(run.bytes, decoded);
        appendWithoutDisguise(decode ? decoded : run.bytes, readable);
    }
    return readable;
}
