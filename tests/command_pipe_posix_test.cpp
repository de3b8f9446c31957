// What only a POSIX process can show: an exit with no status.
#include "platform/command_pipe.h"

#include <gtest/gtest.h>

namespace {

TEST(PosixPipe, CommandKilledBySignalHasNoStatus) {
    const PipeHandle pipe = openCommandPipe("printf 'a\\n'; kill -KILL $$");
    ASSERT_NE(pipe, nullptr);
    char buffer[16];
    while (readCommandPipe(pipe, buffer, sizeof buffer) > 0) {
    }
    EXPECT_EQ(closeCommandPipe(pipe), -1);
}

} // namespace
