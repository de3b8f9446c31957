// A command's output read as text, from raw reads whose boundaries each case chooses: the text
// mode of the Windows C runtime, and the passing over of lines that lack a text.
#include "platform/output_reader.h"
#include "support/fake_seams.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace {

struct ReaderCase {
    const char* name;
    std::vector<std::string> reads; // what each raw read returns
    size_t limit;
    const char* passOver; // passed over before every chunk, unless empty
    std::vector<std::string> chunks;
};

const std::string ZERO_IN_LINE("ab\0c\n", 5);

const ReaderCase READER_CASES[] = {
    {"pair split between two reads", {"a\r", "\nb\n"}, 128, "", {"a\n", "b\n"}},
    {"empty line split between two reads", {"a\n\r", "\nb\n"}, 128, "", {"a\n", "\n", "b\n"}},
    {"a read of one byte", {"a", "b\n"}, 128, "", {"ab\n"}},
    {"lone carriage return stays", {"a\rb\r\r\n"}, 128, "", {"a\rb\r\n"}},
    {"lone carriage return before a read boundary stays", {"a\r", "b\n"}, 128, "", {"a\rb\n"}},
    {"carriage return at the end stays", {"ab\n", "a\r"}, 128, "", {"ab\n", "a\r"}},
    {"limit counts after the drop",
     {std::string(126, '0') + "\r\n" + std::string(127, '0') + "\r",
      "\n" + std::string(127, '0') + "\n" + std::string(126, '0') + "\rX\n"},
     128,
     "",
     {std::string(126, '0') + "\n", std::string(127, '0'), "\n", std::string(127, '0'), "\n",
      std::string(126, '0') + "\r", "X\n"}},
    {"0x1A ends the output",
     {"a\n",
      "b\x1A"
      "c\n",
      "d\n"},
     128,
     "",
     {"a\n", "b"}},
    {"a zero byte ends the chunk's text", {ZERO_IN_LINE, "d\n"}, 128, "", {"ab", "d\n"}},
    {"whole lines without the text are passed over",
     {"a\r\nb\r\n", "c USB\r\nd\r\n"},
     128,
     "USB",
     {"c USB\n"}},
    {"0x1A in a line passed over ends the output there",
     {"a\n", "b\x1A"
             "c\nUSB\n"},
     128,
     "USB",
     {"b"}},
    {"the passing over stops at the start of the line that holds the text, not before",
     {"a\nUxB\nxxxxxxxxxxxxxxxx\nb USB\n"},
     128,
     "USB",
     {"b USB\n"}},
    {"a text cut by a read is found", {"x\nab U", "SB c\n", "x\n"}, 128, "USB", {"ab USB c\n"}},
    {"a line too long to carry is read chunk by chunk",
     {std::string(5000, 'x'), "\nUSB\n"},
     1023,
     "USB",
     {std::string(1022, 'x'), std::string(1022, 'x'), std::string(1022, 'x'),
      std::string(1022, 'x'), std::string(912, 'x') + "\n", "USB\n"}},
};

using Chunks = std::vector<std::string>;

// The chunks read from raw reads that return `reads` in turn, passing over lines without
// `passOver` (unless empty) before every chunk.
Chunks chunksOf(const std::vector<std::string>& reads, size_t limit, const std::string& passOver) {
    ScriptedOutput output{std::accumulate(reads.begin(), reads.end(), std::string()), {}};
    for (const std::string& read : reads) {
        output.readSizes.push_back(read.size());
    }
    CommandPipe pipe;
    pipe.read = [&output](PipeHandle, char* buffer, size_t size) {
        return readScripted(output, buffer, size);
    };
    OutputReader reader = startReading(pipe, nullptr);
    ReadBuffer buffer{};
    Chunks chunks;
    std::string_view text;
    for (;;) {
        if (!passOver.empty()) {
            passOverLinesWithout(reader, passOver);
        }
        if (!readChunk(reader, buffer.data(), limit, text)) {
            return chunks;
        }
        chunks.emplace_back(text);
    }
}

TEST(OutputReader, ReadsChunksInTextMode) {
    for (const ReaderCase& c : READER_CASES) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(chunksOf(c.reads, c.limit, c.passOver), c.chunks);
    }
}

// The last raw read of a listing (limit 1023) or of a utility's output (limit 128), after a read
// of 126 bytes and a carriage return, which fill a chunk of the output: the last read's first
// byte and its last are each a line feed, a lone carriage return, 0x1A, a zero byte or text.
TEST(OutputReader, EndsAsTheLastReadsFirstAndLastBytesSay) {
    const std::string zero(1, '\0');
    const std::string w(126, 'x');
    struct LastRead {
        std::string first;
        std::string last;
        Chunks listing; // limit 1023
        Chunks output;  // limit 128
    };
    const LastRead lastReads[] = {
        {"\n", "\n", {w + "\n", "y\n"}, {w + "\n", "y\n"}},
        {"\n", "\r", {w + "\n", "y\r"}, {w + "\n", "y\r"}},
        {"\n", "\x1A", {w + "\n", "y"}, {w + "\n", "y"}},
        {"\n", zero, {w + "\n", "y"}, {w + "\n", "y"}},
        {"\n", "t", {w + "\n", "yt"}, {w + "\n", "yt"}},
        {"\r", "\n", {w + "\r\ry\n"}, {w + "\r", "\ry\n"}},
        {"\r", "\r", {w + "\r\ry\r"}, {w + "\r", "\ry\r"}},
        {"\r", "\x1A", {w + "\r\ry"}, {w + "\r", "\ry"}},
        {"\r", zero, {w + "\r\ry"}, {w + "\r", "\ry"}},
        {"\r", "t", {w + "\r\ryt"}, {w + "\r", "\ryt"}},
        {"\x1A", "\n", {w + "\r"}, {w + "\r"}},
        {"\x1A", "\r", {w + "\r"}, {w + "\r"}},
        {"\x1A", "\x1A", {w + "\r"}, {w + "\r"}},
        {"\x1A", zero, {w + "\r"}, {w + "\r"}},
        {"\x1A", "t", {w + "\r"}, {w + "\r"}},
        {zero, "\n", {w + "\r"}, {w + "\r", ""}},
        {zero, "\r", {w + "\r"}, {w + "\r", ""}},
        {zero, "\x1A", {w + "\r"}, {w + "\r", ""}},
        {zero, zero, {w + "\r"}, {w + "\r", ""}},
        {zero, "t", {w + "\r"}, {w + "\r", ""}},
        {"t", "\n", {w + "\rty\n"}, {w + "\r", "ty\n"}},
        {"t", "\r", {w + "\rty\r"}, {w + "\r", "ty\r"}},
        {"t", "\x1A", {w + "\rty"}, {w + "\r", "ty"}},
        {"t", zero, {w + "\rty"}, {w + "\r", "ty"}},
        {"t", "t", {w + "\rtyt"}, {w + "\r", "tyt"}},
    };
    for (const LastRead& c : lastReads) {
        SCOPED_TRACE(testing::PrintToString(c.first + "y" + c.last));
        EXPECT_EQ(chunksOf({w + "\r", c.first + "y" + c.last}, 1023, ""), c.listing);
        EXPECT_EQ(chunksOf({w + "\r", c.first + "y" + c.last}, 128, ""), c.output);
    }
}

// The searches look at 64 places at once, where at least 64 bytes are left: each byte that ends a
// chunk, the output or a chunk's text is found at every place of the first three windows.
TEST(OutputReader, FindsEachEndingByteAtEveryPlace) {
    const std::string after = std::string(64, 'y') + "\n";
    for (size_t at = 0; at < 192; ++at) {
        SCOPED_TRACE(at);
        const std::string before(at, 'x');
        EXPECT_EQ(chunksOf({before + "\n" + after}, 1023, ""), (Chunks{before + "\n", after}));
        EXPECT_EQ(chunksOf({before + "\x1A" + after}, 1023, ""),
                  at == 0 ? Chunks{} : Chunks{before});
        EXPECT_EQ(chunksOf({before + std::string(1, '\0') + after}, 1023, ""), Chunks{before});
    }
}

// The text at every place of the first three windows, behind near misses (its first and last
// bytes at its distance, one every 13 bytes, so at every place of some window) and before lines
// that fill the window: the passing over stops at the line holding the text, and passes near
// misses alone over to the end.
TEST(OutputReader, FindsTheTextAtEveryPlaceBehindNearMisses) {
    const std::string text = "USB\\VID_04B4";
    const std::string nearMisses = "USB\\VID_0424\n";
    const std::string after = std::string(64, 'y') + "\n";
    std::string misses;
    while (misses.size() < 256) {
        misses += nearMisses;
    }
    for (size_t at = 0; at < 192; ++at) {
        SCOPED_TRACE(at);
        const std::string before = misses.substr(0, at);
        // After the last line feed before the text; after none (npos), from the start.
        const std::string line = before.substr(before.rfind('\n') + 1) + text + "\n";
        EXPECT_EQ(chunksOf({before + text + "\n" + after}, 1023, text), Chunks{line});
    }
    EXPECT_EQ(chunksOf({misses}, 1023, text), Chunks{});
}

} // namespace
