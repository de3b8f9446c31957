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

// What a person reads of a description: whole in any script, beyond the Basic Multilingual Plane
// and with combining marks too; each character that can disguise a line as U+FFFD. The neighbours
// of each range stay.
TEST(ReadableUtf8, ShowsDescriptionsWholeButNoCharacterThatDisguisesALine) {
    const struct {
        const char* description;
        const char* readable;
    } cases[] = {
        {u8"\uD3C9 \u903B \u00E9 e\u0301 \U0001D518", u8"\uD3C9 \u903B \u00E9 e\u0301 \U0001D518"},
        {u8"a\u202Eb\u202Ac\u2066d\u2069e", u8"a\uFFFDb\uFFFDc\uFFFDd\uFFFDe"},
        {u8"\u2027\u2028\u2029\u202F", u8"\u2027\uFFFD\uFFFD\u202F"},
        {u8"\u200A\u200B\u200F\u2060\uFEFF\uFFFC", u8"\u200A\uFFFD\uFFFD\uFFFD\uFFFD\uFFFC"},
        {u8"\u00A0\u00AD\u009F\u0085\u007F", u8"\u00A0\uFFFD\uFFFD\uFFFD\u007F"},
        {u8"\U000E0000\U000E0001\U000E007F\U000E0080", u8"\U000E0000\uFFFD\uFFFD\U000E0080"},
    };
    for (const auto& c : cases) {
        Text text;
        appendDescription(text, c.description);
        EXPECT_EQ(readableUtf8(text), c.readable) << testing::PrintToString(c.description);
    }
}

} // namespace
