#include "platform/text.h"
#include "platform/code_page.h"

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

} // namespace
