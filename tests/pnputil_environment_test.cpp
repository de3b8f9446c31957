// The environment block of the elevated pnputil, built from a given environment: end to end,
// Wine adds SystemRoot to every process it starts, whatever block it is given.
#include "platform/pnputil_environment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// What every block ends with, for the system folder C:\W\S and the Windows folder C:\W.
const std::string SYSTEM_ENTRIES =
    "PATH=C:\\W\\S;C:\\W;C:\\W\\S\\Wbem\0SystemRoot=C:\\W\0windir=C:\\W\0\0"s;

struct EnvironmentCase {
    const char* name;
    std::vector<std::string> tool;
    std::string keptEntries;
};

const EnvironmentCase ENVIRONMENT_CASES[] = {
    {"an empty environment", {}, ""},
    {"the user's values in any letter case are dropped, the rest kept in order",
     {"=C:=C:\\Users\\me", "Path=Z:\\p", "PATHEXT=.COM", "SYSTEMROOT=Z:\\p", "TEMP=PATH=Z:\\p",
      "WinDir=Z:\\p", "windirs=1", "__compat_layer=RunAsInvoker",
      "__COMPAT_LAYER=", "__COMPAT_LAYERS=", "SystemRoot2="},
     "=C:=C:\\Users\\me\0PATHEXT=.COM\0TEMP=PATH=Z:\\p\0windirs=1\0__COMPAT_LAYERS=\0SystemRoot2=\0"s},
    {"the system's own names", {"PATH=C:\\W", "SystemRoot=C:\\W", "windir=C:\\W", "A=1"}, "A=1\0"s},
};

TEST(PnputilEnvironment, EachEntryKeptReplacedOrDropped) {
    for (const EnvironmentCase& c : ENVIRONMENT_CASES) {
        const std::vector<char> block = pnputilEnvironmentBlock(c.tool, "C:\\W\\S", "C:\\W");
        EXPECT_EQ(std::string(block.begin(), block.end()), c.keptEntries + SYSTEM_ENTRIES)
            << c.name;
    }
}

} // namespace
