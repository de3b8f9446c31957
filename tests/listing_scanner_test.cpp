// What the scanner finds in a listing is tested end to end, with listings under tests/cases.
// Here: the one-pass collapse of "&amp;" against the rule as stated, restarting from the start
// of the line after every replacement, on generated text.
#include "listing/listing_scanner.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string collapseByRestarting(std::string line) {
    for (size_t at = line.find("&amp;"); at != std::string::npos; at = line.find("&amp;")) {
        line.erase(at + 1, 4);
    }
    return line;
}

TEST(CollapseAmpersands, MatchesRestartingRuleOnGeneratedText) {
    const std::string pieces[] = {"&", "amp;", "&amp;", "a", "m", "p", ";", "&amp;amp;", "x", "&&"};
    std::mt19937 random(20261206);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i) {
            text += pieces[random() % std::size(pieces)];
        }
        std::string collapsed = text;
        collapseAmpersands(collapsed);
        ASSERT_EQ(collapsed, collapseByRestarting(text)) << "input: " << text;
    }
}

} // namespace
