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

// The entry of LEAD_BYTES for c, or its end where c begins no well-formed sequence.
const LeadBytes* leadOf(char c) {
    return std::find_if(std::begin(LEAD_BYTES), std::end(LEAD_BYTES),
                        [c](const LeadBytes& l) { return inRange(c, l.first, l.last); });
}

// The length of the well-formed UTF-8 sequence that begins at text[at], or 0 if none does.
size_t sequenceLength(std::string_view text, size_t at) {
    if (inRange(text[at], 0, 0x7F)) {
        return 1;
    }
    const LeadBytes* lead = leadOf(text[at]);
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

// The length of the maximal part at text[at] that is no well-formed sequence but begins one: a
// lead byte and the bytes after it that could still continue it; at least 1.
size_t illFormedLength(std::string_view text, size_t at) {
    const LeadBytes* lead = leadOf(text[at]);
    if (lead == std::end(LEAD_BYTES) || text.size() - at < 2 ||
        !inRange(text[at + 1], lead->secondLow, lead->secondHigh)) {
        return 1;
    }
    size_t length = 2;
    while (length < lead->length && at + length < text.size() &&
           inRange(text[at + length], 0x80, 0xBF)) {
        ++length;
    }
    return length;
}

struct CodePoints {
    char32_t first;
    char32_t last;
};
// What could act on the screen where a person reads, from Unicode 15.1's tables (the same since
// 6.3, which added U+061C and the isolates): the controls
// (category Cc), the characters that reorder a line (Bidi_Control), and the line and paragraph
// separators (categories Zl and Zp).
constexpr CodePoints ACTING_ON_THE_SCREEN[] = {
    {0x0000, 0x001F}, // Cc: C0
    {0x007F, 0x009F}, // Cc: DEL and C1
    {0x061C, 0x061C}, // Bidi_Control: ARABIC LETTER MARK
    {0x200E, 0x200F}, // Bidi_Control: LEFT-TO-RIGHT and RIGHT-TO-LEFT MARK
    {0x2028, 0x2029}, // Zl, Zp
    {0x202A, 0x202E}, // Bidi_Control: embeddings and overrides
    {0x2066, 0x2069}, // Bidi_Control: isolates
};

bool actsOnTheScreen(char32_t c) {
    return std::any_of(std::begin(ACTING_ON_THE_SCREEN), std::end(ACTING_ON_THE_SCREEN),
                       [c](const CodePoints& r) { return c >= r.first && c <= r.last; });
}

constexpr std::string_view REPLACEMENT_CHARACTER = "\xEF\xBF\xBD"; // U+FFFD

char32_t codePointAt(std::string_view text, size_t at, size_t length) {
    const auto lead = static_cast<unsigned char>(text[at]);
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        c = c << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    }
    return c;
}

// Appends bytes read as UTF-8, each maximal ill-formed part as U+FFFD, and for a device's run
// each character that acts on the screen as U+FFFD too.
void appendReadable(std::string_view bytes, Origin origin, std::string& readable) {
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t length = sequenceLength(bytes, at);
        if (length == 0) {
            readable += REPLACEMENT_CHARACTER;
            at += illFormedLength(bytes, at);
            continue;
        }
        const bool replaced =
            origin == Origin::Device && actsOnTheScreen(codePointAt(bytes, at, length));
        readable += replaced ? REPLACEMENT_CHARACTER : bytes.substr(at, length);
        at += length;
    }
}

void appendRun(Text& text, Encoding encoding, Origin origin, std::string_view bytes) {
    if (origin == Origin::Tool && !text.runs.empty() && text.runs.back().origin == Origin::Tool &&
        text.runs.back().encoding == encoding) {
        text.runs.back().bytes += bytes;
    } else {
        text.runs.push_back({encoding, origin, std::string(bytes)});
    }
}

} // namespace

void appendToolText(Text& text, std::string_view codePage932) {
    appendRun(text, Encoding::CodePage932, Origin::Tool, codePage932);
}

void append(Text& text, const Text& more) {
    for (const TextRun& run : more.runs) {
        appendRun(text, run.encoding, run.origin, run.bytes);
    }
}

Text toolText(std::string_view codePage932) {
    Text text;
    appendToolText(text, codePage932);
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
    appendRun(text, Encoding::CodePage932, Origin::Device, field);
}

void appendDescription(Text& text, std::string_view description) {
    const bool utf8 = holdsByteAbove0x7F(description) && isWellFormedUtf8(description);
    appendRun(text, utf8 ? Encoding::Utf8 : Encoding::CodePage932, Origin::Device, description);
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
        // Code page 932 reads ASCII as ASCII: only a run beyond it is decoded.
        const bool decode = run.encoding != Encoding::Utf8 && holdsByteAbove0x7F(run.bytes) &&
                            codePage932ToUtf8(run.bytes, decoded);
        appendReadable(decode ? decoded : run.bytes, run.origin, readable);
    }
    return readable;
}
