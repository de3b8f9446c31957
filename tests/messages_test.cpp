#include "app/messages.h"
#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace {

struct MessageCase {
    const char* key;
    const char* codePage932;
    const char* utf8;
};

// The same sentences written in UTF-8: a wrong byte in the code page 932 table shows here.
const MessageCase MESSAGES[] = {
    {"MSG_TOOL_NOT_RUNNABLE", MSG_TOOL_NOT_RUNNABLE,
     "pnputil.exeが実行出来ません\n(pnputil.exe cannot be executed.)"},
    {"MSG_RETRIEVING", MSG_RETRIEVING, "デバイスリストを取得中(Retrieving device list.)\n\n"},
    {"MSG_NONE_FOUND", MSG_NONE_FOUND,
     "削除対象のデバイスが見つかりませんでした\n(No devices were found to remove.)"},
    {"MSG_NO_DEVICE_LIST", MSG_NO_DEVICE_LIST,
     "pnputil.exeからデバイスリストを取得できませんでした。Windows 11 24H2以降が必要です\n(Could "
     "not get "
     "the device list from pnputil.exe. Windows 11 24H2 or later is needed.)"},
    {"MSG_CONFIRM_QUESTION", MSG_CONFIRM_QUESTION,
     "\n上記のデバイスを削除しますか\n(Do you want to remove the above device(s)?)"},
    {"MSG_ALL_REMOVED", MSG_ALL_REMOVED,
     "削除処理を完了しました\n(The deletion process is complete)"},
    {"MSG_SOME_FAILED", MSG_SOME_FAILED,
     "削除できないデバイスがありました\n(Some devices could not be removed)"},
};

TEST(Messages, DecodeFromCodePage932ToTheirSentences) {
    for (const MessageCase& message : MESSAGES) {
        std::string decoded;
        ASSERT_TRUE(codePage932ToUtf8(message.codePage932, decoded)) << message.key;
        EXPECT_EQ(decoded, message.utf8) << message.key;
    }
}

} // namespace
