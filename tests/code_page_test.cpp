#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace {

// Bytes that are not code page 932 read differently on each platform: end to end.
TEST(CodePage932, ValidBytesReadAsTheirCharacters) {
    std::string utf8;
    EXPECT_TRUE(codePage932ToUtf8("\x83\x66\x83\x6F\x83\x43\x83\x58 ok", utf8));
    EXPECT_EQ(utf8, "\xE3\x83\x87\xE3\x83\x90\xE3\x82\xA4\xE3\x82\xB9 ok"); // "デバイス ok"
    // ASCII reads as itself, backslash and tilde included, so it needs no decoding.
    std::string ascii;
    for (int c = 0; c < 0x80; ++c) {
        ascii += static_cast<char>(c);
    }
    EXPECT_TRUE(codePage932ToUtf8(ascii, utf8));
    EXPECT_EQ(utf8, ascii);
}

// Where glibc's and Windows' tables of code page 932 differ, both builds give these bytes (those
// for Windows measured under Wine): a character converts only to bytes that read back as itself.
TEST(Utf8ToCodePage932, GivesTheSameBytesOnEveryPlatform) {
    const struct {
        const char* utf8;
        const char* bytes;
    } cases[] = {
        {"\xEF\xBD\x9E \xE3\x80\x9C", "\x81\x60 ?"},                   // U+FF5E, U+301C
        {"\xE2\x88\xA5 \xE2\x80\x96", "\x81\x61 ?"},                   // U+2225, U+2016
        {"\xEF\xBC\x8D \xE2\x88\x92", "\x81\x7C ?"},                   // U+FF0D, U+2212
        {"\xEF\xBF\xA0 \xC2\xA2", "\x81\x91 ?"},                       // U+FFE0, U+00A2
        {"\xEF\xBF\xA1 \xC2\xA3", "\x81\x92 ?"},                       // U+FFE1, U+00A3
        {"\xEF\xBF\xA2 \xC2\xAC", "\x81\xCA ?"},                       // U+FFE2, U+00AC
        {"\xE2\x80\x95 \xE2\x80\x94", "\x81\x5C ?"},                   // U+2015, U+2014
        {"\xEF\xBF\xA4 \xC2\xA6", "\xFA\x55 ?"},                       // U+FFE4, U+00A6
        {"\\~ \xC2\xA5\xE2\x80\xBE", "\\~ ??"},                        // U+00A5, U+203E
        {"\xC2\x80 \xEF\xA3\xB0\xEF\xA3\xB3", "? ??"},                 // U+0080, U+F8F0, U+F8F3
        {"Ger\xC3\xA4t \xF0\x9F\x98\x80\xF3\xA0\x80\x81", "Ger?t ??"}, // U+00E4, U+1F600, U+E0001
    };
    for (const auto& c : cases) {
        std::string bytes;
        EXPECT_TRUE(utf8ToCodePage932(c.utf8, bytes)) << c.utf8;
        EXPECT_EQ(bytes, c.bytes) << c.utf8;
    }
}

} // namespace
