#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage932, InvalidBytesAreRefused) {
    std::string decoded;
    EXPECT_FALSE(codePage932ToUtf8("\x82", decoded));
    EXPECT_FALSE(codePage932ToUtf8("ok \x81\x7F", decoded));
}

} // namespace
