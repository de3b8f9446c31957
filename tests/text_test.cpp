#include "platform/code_page.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The tool's rule of well-formed UTF-8 against the platform's decoder: every string of one or two
// bytes, and three- and four-byte strings from every byte above 0x7F with continuation bytes at
// the edges of their ranges (among them overlong forms, surrogates and what lies above U+10FFFF).
TEST(IsWellFormedUtf8, AgreesWithThePlatformsDecoder) {
    const std::vector<int> edges = {0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0};
    std::vector<std::string> strings;
    for (int a = 0; a < 0x100; ++a) {
        strings.emplace_back(1, static_cast<char>(a));
        for (int b = 0; b < 0x100; ++b) {
            strings.push_back({static_cast<char>(a), static_cast<char>(b)});
        }
    }
    for (int lead = 0x80; lead < 0x100; ++lead) {
        for (int b : edges) {
            for (int c : edges) {
                const std::string three = {static_cast<char>(lead), static_cast<char>(b),
                                           static_cast<char>(c)};
                strings.push_back(three);
                for (int d : edges) {
                    strings.push_back(three + static_cast<char>(d));
                }
            }
        }
    }
    // Each string is also read cut short, as a view whose bytes go on in memory: a sequence
    // that the cut leaves unfinished is not well-formed, whatever follows.
    for (const std::string& s : strings) {
        for (size_t length = 1; length <= s.size(); ++length) {
            const std::string cut = s.substr(0, length);
            std::string bytes;
            ASSERT_EQ(isWellFormedUtf8(std::string_view(s).substr(0, length)),
                      utf8ToCodePage932(cut, bytes))
                << testing::PrintToString(cut);
        }
    }
}

std::string utf8Of(char32_t c) {
    if (c < 0x80) {
        return std::string(1, static_cast<char>(c));
    }
    const int length = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    std::string bytes(static_cast<size_t>(length), '\0');
    for (int i = length - 1; i > 0; --i, c >>= 6) {
        bytes[static_cast<size_t>(i)] = static_cast<char>(0x80 | (c & 0x3F));
    }
    bytes[0] = static_cast<char>((0xF00 >> length) | c);
    return bytes;
}

// Every code point that Perl's Unicode tables give Cc, Bidi_Control, Zl or Zp.
constexpr char32_t ACTING_ON_THE_SCREEN[] = {
#include "acting_on_the_screen.inc"
};

// What a person reads of a device's text: every character there is, all in one description;
// those of ACTING_ON_THE_SCREEN as U+FFFD, every other as it comes (joiners, format characters,
// combining marks, characters beyond U+FFFF among them).
TEST(ReadableUtf8, ShowsADevicesTextWholeButNothingThatActsOnTheScreen) {
    const std::set<char32_t> replaced(std::begin(ACTING_ON_THE_SCREEN),
                                      std::end(ACTING_ON_THE_SCREEN));
    std::string every;
    std::string shown;
    for (char32_t c = 0; c <= 0x10FFFF; c = c == 0xD7FF ? 0xE000 : c + 1) {
        every += utf8Of(c);
        shown += replaced.count(c) != 0 ? u8"\uFFFD" : utf8Of(c);
    }
    Text text;
    appendDescription(text, every);
    const std::string readable = readableUtf8(text);
    // Where they differ, not the two strings of 4 MB each.
    const size_t at = static_cast<size_t>(
        std::mismatch(readable.begin(), readable.end(), shown.begin(), shown.end()).first -
        readable.begin());
    EXPECT_EQ(readable.substr(at, 16), shown.substr(at, 16)) << "at byte " << at;
    EXPECT_EQ(readable.size(), shown.size());
}

// The tool's own text shows as it is, its line breaks included, between the fields of a device
// that are shown without their control characters, whatever their encoding.
TEST(ReadableUtf8, KeepsTheToolsLineBreaks) {
    Text text = toolText("\r\n\"");
    appendField(text, "\x1B[2K\rA\tB\x7F");
    appendToolText(text, "\",\"\n");
    appendDescription(text, u8"\u00E9\b\u0085\u202E");
    appendToolText(text, "\"\n");
    EXPECT_EQ(readableUtf8(text), u8"\r\n\"\uFFFD[2K\uFFFDA\uFFFDB\uFFFD\",\"\n"
                                  u8"\u00E9\uFFFD\uFFFD\uFFFD\"\n");
}

// A file gets each UTF-8 run converted by itself, whatever came before it.
TEST(CodePage932Bytes, ConvertsEachUtf8RunAndKeepsEveryOther) {
    Text text;
    appendDescription(text, u8"\u00E9\u30C7");
    appendField(text, "\x83\x66\xFF");
    appendDescription(text, u8"\u30C7");
    EXPECT_EQ(codePage932Bytes(text), "?\x83\x66\x83\x66\xFF\x83\x66");
}

} // namespace
