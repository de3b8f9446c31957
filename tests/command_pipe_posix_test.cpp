// The POSIX pipe reads as the Windows C runtime reads a pipe in text mode. A pause between two
// writes makes the command's output arrive in two reads of the pipe.
#include "platform/command_pipe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct PipeCase {
    const char* name;
    const char* command;
    int limit;
    std::vector<std::string> chunks;
    int32_t status = 0;
};

const PipeCase PIPE_CASES[] = {
    {"a command killed by a signal has no status",
     "printf 'a\\n'; kill -KILL $$",
     128,
     {"a\n"},
     -1},
    {"pair split between two reads",
     "printf 'a\\r'; sleep 0.2; printf '\\nb\\n'",
     128,
     {"a\n", "b\n"}},
    {"empty line split between two reads",
     "printf 'a\\n\\r'; sleep 0.2; printf '\\nb\\n'",
     128,
     {"a\n", "\n", "b\n"}},
    {"a read of one byte", "printf 'a'; sleep 0.2; printf 'b\\n'", 128, {"ab\n"}},
    {"lone carriage return stays", "printf 'a\\rb\\r\\r\\n'", 128, {"a\rb\r\n"}},
    {"lone carriage return before a pause stays",
     "printf 'a\\r'; sleep 0.2; printf 'b\\n'",
     128,
     {"a\rb\n"}},
    {"carriage return at the end stays", "printf 'a\\r'", 128, {"a\r"}},
    {"carriage return at the end of a shorter read stays",
     "printf 'ab\\n'; sleep 0.2; printf 'a\\r'",
     128,
     {"ab\n", "a\r"}},
    {"limit counts after the drop",
     "printf '%0126d\\r\\n%0127d\\r\\n%0127d\\n%0126d\\rX\\n' 0 0 0 0",
     128,
     {std::string(126, '0') + "\n", std::string(127, '0'), "\n", std::string(127, '0'), "\n",
      std::string(126, '0') + "\r", "X\n"}},
};

TEST(PosixPipe, ReadsChunksInTextMode) {
    for (const PipeCase& c : PIPE_CASES) {
        SCOPED_TRACE(c.name);
        const PipeHandle pipe = openCommandPipe(c.command, "rt");
        ASSERT_NE(pipe, nullptr);
        ReadBuffer buffer{};
        std::vector<std::string> chunks;
        while (readCommandPipeChunk(pipe, buffer.data(), c.limit)) {
            chunks.emplace_back(buffer.data());
        }
        EXPECT_EQ(closeCommandPipe(pipe), c.status);
        EXPECT_EQ(chunks, c.chunks);
    }
}

} // namespace
