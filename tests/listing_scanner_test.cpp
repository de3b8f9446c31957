#include "listing/listing_scanner.h"

#include "support/case_names.h"
#include "support/listing_reads.h"
#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace {

const std::string FX2_START =
    "    <Device InstanceId=\"USB\\VID_04B4&amp;PID_8613\\5&amp;1b2e&amp;0&amp;2\">\n";
const std::string FX2_ID = "USB\\VID_04B4&PID_8613\\5&1b2e&0&2";
const std::string DESCRIPTION = "        <DeviceDescription>FX2 board</DeviceDescription>\n";
const std::string DRIVER = "        <DriverName>oem12.inf</DriverName>\n";
const std::string END = "    </Device>\n";
const std::string FX2_LINE = "\"" + FX2_ID + "\",\"FX2 board\",\"oem12.inf\"\n";
const std::string FX2_CONFIRM = "\"FX2 board\",\"oem12.inf\"\n";
const std::string MOUSE_START = "<Device InstanceId=\"HID\\VID_046D\">";
const std::string MOUSE_FIELDS =
    "<DeviceDescription>Mouse</DeviceDescription>\n<DriverName>msmouse.inf</DriverName>\n" + END;
// A line that runs past the 1022-byte read limit, with text cut across the limit.
std::string acrossReadLimit(const std::string& text) {
    return std::string(1018, ' ') + text + "\n";
}

struct ScanCase {
    const char* name;
    std::string listing;
    ScanState finalState;
    std::string deviceLines;
    std::vector<std::string> driverNames;
    std::string confirmText;
};

const ScanCase SCAN_CASES[] = {
    {"complete device, references collapsed",
     FX2_START + DESCRIPTION + DRIVER + END,
     ScanState::Outside,
     FX2_LINE,
     {"oem12.inf"},
     FX2_CONFIRM},
    {"interface suffix is not a target",
     "<Device InstanceId=\"USB\\VID_04B4&amp;PID_8613&amp;MI_00\\7&amp;2d\">\n" + DESCRIPTION +
         DRIVER + END,
     ScanState::Outside,
     "",
     {},
     ""},
    {"lower-case prefix is not a target",
     "<Device InstanceId=\"usb\\vid_04b4&amp;pid_8613\\5&amp;1\">\n" + DESCRIPTION + DRIVER + END,
     ScanState::Outside,
     "",
     {},
     ""},
    {"other product is not a target",
     "<Device InstanceId=\"USB\\VID_04B4&amp;PID_1004\\5&amp;1\">\n" + DESCRIPTION + DRIVER + END,
     ScanState::Outside,
     "",
     {},
     ""},
    {"no closing quote and bracket: block skipped",
     "<Device InstanceId=\"USB\\VID_04B4&amp;PID_8613\\5\"\n" + DESCRIPTION + DRIVER + END,
     ScanState::Outside,
     "",
     {},
     ""},
    {"description tag without its closing tag, then a whole one",
     FX2_START + "<DeviceDescription>broken\n" + DESCRIPTION + DRIVER + END,
     ScanState::Outside,
     FX2_LINE,
     {"oem12.inf"},
     FX2_CONFIRM},
    {"description and driver on one line: only the description",
     FX2_START +
         "<DeviceDescription>FX2 board</DeviceDescription><DriverName>x.inf</DriverName>\n" +
         DRIVER + END,
     ScanState::Outside,
     FX2_LINE,
     {"oem12.inf"},
     FX2_CONFIRM},
    {"driver name beside the end tag is not taken",
     FX2_START + DESCRIPTION + "<DriverName>oem12.inf</DriverName></Device>\n" + DRIVER + END,
     ScanState::Outside,
     "",
     {},
     ""},
    {"device without a driver ends silently",
     FX2_START + DESCRIPTION + END + DRIVER + END,
     ScanState::Outside,
     "",
     {},
     ""},
    {"device without a description ends silently",
     FX2_START + DRIVER + END + DESCRIPTION + END,
     ScanState::Outside,
     "",
     {},
     ""},
    {"fields in another order yield no device",
     FX2_START + DRIVER + DESCRIPTION + END,
     ScanState::Outside,
     "",
     {},
     ""},
    {"empty description still completes",
     FX2_START + "<DeviceDescription></DeviceDescription>\n" + DRIVER + END,
     ScanState::Outside,
     "\"" + FX2_ID + "\",\"\",\"oem12.inf\"\n",
     {"oem12.inf"},
     "\"\",\"oem12.inf\"\n"},
    {"doubly escaped ampersand collapses to one",
     FX2_START + "<DeviceDescription>A &amp;amp; B &amp;lt;x&amp;gt;</DeviceDescription>\n" +
         DRIVER + END,
     ScanState::Outside,
     "\"" + FX2_ID + "\",\"A & B &lt;x&gt;\",\"oem12.inf\"\n",
     {"oem12.inf"},
     "\"A & B &lt;x&gt;\",\"oem12.inf\"\n"},
    {"same package twice gives two entries",
     FX2_START + DESCRIPTION + DRIVER + END + FX2_START + DESCRIPTION + DRIVER + END,
     ScanState::Outside,
     FX2_LINE + FX2_LINE,
     {"oem12.inf", "oem12.inf"},
     FX2_CONFIRM + FX2_CONFIRM},
    {"prefix before the start tag still counts",
     "USB\\VID_04B4&amp;PID_8613\\X\"> <Device InstanceId=\"other\">\n" + DESCRIPTION + DRIVER +
         END,
     ScanState::Outside,
     "\"USB\\VID_04B4&PID_8613\\X\",\"FX2 board\",\"oem12.inf\"\n",
     {"oem12.inf"},
     FX2_CONFIRM},
    {"further attribute runs into the instance id",
     "<Device InstanceId=\"USB\\VID_04B4&amp;PID_8613\\9\" Present=\"true\">\n" + DESCRIPTION +
         DRIVER + END,
     ScanState::Outside,
     "\"USB\\VID_04B4&PID_8613\\9\" Present=\"true\",\"FX2 board\",\"oem12.inf\"\n",
     {"oem12.inf"},
     FX2_CONFIRM},
    {"whole block on one line only yields the instance id",
     "<Device InstanceId=\"USB\\VID_04B4&amp;PID_8613\\1\"><DeviceDescription>d</DeviceDescription>"
     "<DriverName>n.inf</DriverName></Device>\n",
     ScanState::HaveInstanceId,
     "",
     {},
     ""},
    {"block without its end tag is dropped at the next start tag",
     FX2_START + DESCRIPTION + DRIVER + "<Device InstanceId=\"HID\\VID_046D\">\n" +
         "<DeviceDescription>Mouse</DeviceDescription>\n<DriverName>msmouse.inf</DriverName>\n" +
         END,
     ScanState::Outside,
     "",
     {},
     ""},
    {"whole block on one line, then a non-target block: nothing completes",
     "<Device InstanceId=\"USB\\VID_04B4&amp;PID_8613\\1\"><DeviceDescription>d</DeviceDescription>"
     "<DriverName>n.inf</DriverName></Device>\n<Device InstanceId=\"HID\\X\">\n"
     "<DeviceDescription>Mouse</DeviceDescription>\n<DriverName>msmouse.inf</DriverName>\n" +
         END,
     ScanState::Outside,
     "",
     {},
     ""},
    {"unfinished block, then a target block: the new target is read",
     FX2_START + DESCRIPTION + FX2_START + DESCRIPTION + DRIVER + END,
     ScanState::Outside,
     FX2_LINE,
     {"oem12.inf"},
     FX2_CONFIRM},
    {"end tag joined to the next start tag completes the device",
     FX2_START + DESCRIPTION + DRIVER + "    </Device>    " + MOUSE_START + "\n" + MOUSE_FIELDS,
     ScanState::Outside,
     FX2_LINE,
     {"oem12.inf"},
     FX2_CONFIRM},
    {"read limit hides the end tag, then the next start tag",
     FX2_START + DESCRIPTION + acrossReadLimit("</Device>") + acrossReadLimit(MOUSE_START) +
         MOUSE_FIELDS,
     ScanState::Outside,
     "",
     {},
     ""},
    {"read limit hides the next start tag of a block without its end",
     FX2_START + DESCRIPTION + acrossReadLimit(MOUSE_START) + MOUSE_FIELDS,
     ScanState::Outside,
     "",
     {},
     ""},
    {"zero byte hides the end tag and the next start tag",
     FX2_START + DESCRIPTION + std::string("\0</Device>", 10) + MOUSE_START + "\n" + MOUSE_FIELDS,
     ScanState::Outside,
     "",
     {},
     ""},
    {"zero byte hides the next start tag of a block without its end",
     FX2_START + DESCRIPTION + std::string("\0", 1) + MOUSE_START + "\n" + MOUSE_FIELDS,
     ScanState::Outside,
     "",
     {},
     ""},
    {"start-tag line cut once still gives the device",
     FX2_START.substr(0, FX2_START.size() - 1) + std::string(1500, ' ') + "\n" + DESCRIPTION +
         DRIVER + END,
     ScanState::Outside,
     FX2_LINE,
     {"oem12.inf"},
     FX2_CONFIRM},
    {"start-tag line cut twice drops the block",
     FX2_START.substr(0, FX2_START.size() - 1) + std::string(2500, ' ') + "\n" + DESCRIPTION +
         DRIVER + END,
     ScanState::Outside,
     "",
     {},
     ""},
    {"end tag in a cut chunk drops the block",
     FX2_START + DESCRIPTION + DRIVER + std::string("    </Device>\0\n", 15),
     ScanState::Outside,
     "",
     {},
     ""},
    {"listing ends inside a device",
     FX2_START + DESCRIPTION + DRIVER,
     ScanState::HaveDriverName,
     "",
     {},
     ""},
    {"second driver name in a block is ignored",
     FX2_START + DESCRIPTION + DRIVER + "<DriverName>later.inf</DriverName>\n" + END,
     ScanState::Outside,
     FX2_LINE,
     {"oem12.inf"},
     FX2_CONFIRM},
};

NAME_CASES_BY_FIELD(ScanCase)

class ScanCases : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanCases, FeedsEveryChunk) {
    const ScanCase& c = GetParam();
    ListingScanner scanner;
    ListingResults results;
    std::ostringstream out;
    for (const std::string& chunk : listingReads(c.listing)) {
        feedLine(scanner, chunk, results, out);
    }
    EXPECT_EQ(scanner.state, c.finalState);
    EXPECT_EQ(out.str(), c.deviceLines);
    EXPECT_EQ(results.driverNames, c.driverNames);
    EXPECT_EQ(results.confirmText, c.confirmText);
    EXPECT_EQ(results.foundCount, static_cast<int32_t>(results.driverNames.size()));
}

INSTANTIATE_TEST_SUITE_P(Scanner, ScanCases, testing::ValuesIn(SCAN_CASES), caseNameOf);

TEST(Scanner, TagSplitAcrossChunksIsNotFound) {
    ListingScanner scanner;
    ListingResults results;
    std::ostringstream out;
    for (const std::string& chunk : {FX2_START, DESCRIPTION, std::string("<DriverNa"),
                                     std::string("me>oem1.inf</DriverName>\n"), END}) {
        feedLine(scanner, chunk, results, out);
    }
    EXPECT_EQ(scanner.state, ScanState::Outside);
    EXPECT_EQ(results.foundCount, 0);
}

// The collapse rule as first written: restart at the start after every replacement.
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
