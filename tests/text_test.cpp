#include "platform/code_page.h"
#include "platform/text.h"

#include <gtest/gtest.h>

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

// What a person reads of a description: whole in any script, beyond the Basic Multilingual Plane
// and with combining marks too; each character that can disguise a line as U+FFFD: the C1
// controls, the separators U+2028 and U+2029, and Unicode 15.1's format characters (category Cf).
// The code points are the first and last of each such range and their neighbours, from Unicode's
// own tables.
TEST(ReadableUtf8, ShowsDescriptionsWholeButNoCharacterThatDisguisesALine) {
    const char32_t replaced[] = {0x80,    0x9F,    0xAD,    0x600,   0x605,   0x61C,   0x6DD,
                                 0x70F,   0x890,   0x891,   0x8E2,   0x180E,  0x200B,  0x200F,
                                 0x2028,  0x202E,  0x2060,  0x2064,  0x2066,  0x206F,  0xFEFF,
                                 0xFFF9,  0xFFFB,  0x110BD, 0x110CD, 0x13430, 0x1343F, 0x1BCA0,
                                 0x1BCA3, 0x1D173, 0x1D17A, 0xE0001, 0xE0020, 0xE007F};
    const char32_t kept[] = {0x7F,    0xA0,    0xAC,    0xAE,    0x5FF,   0x606,   0x61B,   0x61D,
                             0x6DC,   0x6DE,   0x70E,   0x710,   0x88F,   0x892,   0x8E1,   0x8E3,
                             0x180D,  0x180F,  0x200A,  0x2010,  0x2027,  0x202F,  0x205F,  0x2065,
                             0x2070,  0xFEFE,  0xFF00,  0xFFF8,  0xFFFC,  0x110BC, 0x110BE, 0x110CC,
                             0x110CE, 0x1342F, 0x13440, 0x1BC9F, 0x1BCA4, 0x1D172, 0x1D17B, 0xE0000,
                             0xE0002, 0xE001F, 0xE0080, 0x301,   0x1D518};
    // Among Korean, Chinese and accented Latin, which stay whole.
    const std::string around = u8"\uD3C9\u903B\u00E9";
    const auto expectShown = [&around](char32_t c, const std::string& shown) {
        Text text;
        appendDescription(text, around + utf8Of(c) + around);
        EXPECT_EQ(readableUtf8(text), around + shown + around) << std::hex << uint32_t{c};
    };
    for (const char32_t c : replaced) {
        expectShown(c, u8"\uFFFD");
    }
    for (const char32_t c : kept) {
        expectShown(c, utf8Of(c));
    }
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
