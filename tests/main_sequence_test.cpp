// Whole runs in-process, for what no end-to-end case can reach on POSIX: a command that cannot
// start, a pipe whose close fails, a 32-bit exit status, a box that returns neither Yes nor No,
// a zero byte in the utility's output to a deletion, the system's own device list, and the order
// of the boxes, pipe closings and reads of that list.
// Each case's raw reads have sizes of its own. Every other run is an end-to-end case under
// tests/cases.
#include "app/main_sequence.h"
#include "app/messages.h"
#include "support/fake_seams.h"

#include <gtest/gtest.h>

namespace {

const char* const LISTING_COMMAND_LINE = "pnputil /enum-devices /format xml";
const std::string LISTING = "<PnpUtil>\n"
                            "    <Device InstanceId=\"USB\\VID_04B4&amp;PID_8613\\1\">\n"
                            "        <DeviceDescription>A</DeviceDescription>\n"
                            "        <DriverName>oem1.inf</DriverName>\n"
                            "    </Device>\n"
                            "    <Device InstanceId=\"USB\\VID_04B4&amp;PID_8613\\2\">\n"
                            "        <DeviceDescription>B</DeviceDescription>\n"
                            "        <DriverName>oem2.inf</DriverName>\n"
                            "    </Device>\n"
                            "    <Device InstanceId=\"USB\\VID_04B4&amp;PID_8613\\3\">\n"
                            "        <DeviceDescription>C</DeviceDescription>\n"
                            "        <DriverName>oem3.inf</DriverName>\n"
                            "    </Device>\n"
                            "</PnpUtil>\n";
const std::string DEVICE_LINES = "\"USB\\VID_04B4&PID_8613\\1\",\"A\",\"oem1.inf\"\n"
                                 "\"USB\\VID_04B4&PID_8613\\2\",\"B\",\"oem2.inf\"\n"
                                 "\"USB\\VID_04B4&PID_8613\\3\",\"C\",\"oem3.inf\"\n";
const char* const DELETE_1 = "pnputil /delete-driver \"oem1.inf\" /uninstall";
const char* const DELETE_2 = "pnputil /delete-driver \"oem2.inf\" /uninstall";
const char* const DELETE_3 = "pnputil /delete-driver \"oem3.inf\" /uninstall";

// The runs of a box's text: the tool's own, and each field of a device by itself.
TextRun tool(const std::string& bytes) {
    return {Encoding::CodePage932, Origin::Tool, bytes};
}
TextRun field(const std::string& bytes) {
    return {Encoding::CodePage932, Origin::Device, bytes};
}
TextRun utf8Field(const std::string& bytes) {
    return {Encoding::Utf8, Origin::Device, bytes};
}

const ShownBox CONFIRM{
    Text{{tool("\""), field("A"), tool("\",\""), field("oem1.inf"), tool("\"\n\""), field("B"),
          tool("\",\""), field("oem2.inf"), tool("\"\n\""), field("C"), tool("\",\""),
          field("oem3.inf"), tool(std::string("\"\n") + MSG_CONFIRM_QUESTION)}},
    "Confirm", BoxKind::YesNo};
const ShownBox NOT_RUNNABLE{toolText(MSG_TOOL_NOT_RUNNABLE), "Error", BoxKind::Ok};
const ShownBox SOME_FAILED{toolText(MSG_SOME_FAILED), "Caution", BoxKind::Ok};
const ShownBox ALL_REMOVED{toolText(MSG_ALL_REMOVED), "Information", BoxKind::Ok};
// pnputil's status for a package that was not installed, which counts as removed.
const auto NOT_INSTALLED = static_cast<int32_t>(0xE000023C);
// 127 bytes make one read of the utility's output: the zero byte ends the first read's text,
// and the "y" begins the second read.
const std::string ZERO_AT_READ_END = std::string(126, 'x') + std::string(1, '\0') + "y\n";

// What an older pnputil writes for the listing command: no listing.
const char* const USAGE = "Microsoft PnP Utility\r\n\r\nUnknown parameter: /format\r\n";
const std::string CLOSE_LISTING = std::string("close ") + LISTING_COMMAND_LINE;

struct RunCase {
    const char* name;
    std::vector<ScriptedCommand> commands; // the listing first, then the deletions
    int answer;
    std::vector<size_t> readSizes; // of the raw reads of every command's output
    std::string afterBanner;       // standard output after the banner
    std::vector<std::string> started;
    std::vector<ShownBox> boxes;
    std::vector<std::string> events;
    std::optional<std::vector<SystemDevice>> systemDevices = {}; // none: the system gives no list
};

const RunCase RUN_CASES[] = {
    {"listing command cannot start",
     {{false, "", 0}},
     ANSWER_YES,
     {},
     "",
     {LISTING_COMMAND_LINE},
     {NOT_RUNNABLE},
     {"box Error"}},
    {"a box that fails is No",
     {{true, LISTING, 0}},
     0,
     {1},
     MSG_RETRIEVING + DEVICE_LINES,
     {LISTING_COMMAND_LINE},
     {CONFIRM},
     {"box Confirm", CLOSE_LISTING}},
    {"second of three deletions cannot start",
     {{true, LISTING, 0}, {true, "Deleted.\n", 0}, {false, "", 0}},
     ANSWER_YES,
     {3, 60},
     MSG_RETRIEVING + DEVICE_LINES + "\r\n" + DELETE_1 +
         "\r\nDeleted.\nreturn code= 0(0x0)\r\n\r\n" + DELETE_2 + "\r\n",
     {LISTING_COMMAND_LINE, DELETE_1, DELETE_2},
     {CONFIRM, NOT_RUNNABLE},
     {"box Confirm", std::string("close ") + DELETE_1, "box Error", CLOSE_LISTING}},
    {"close failure is a failure; a zero byte ends the text of its read of the output",
     {{true, LISTING, 0}, {true, "", -1}, {true, ZERO_AT_READ_END, 0}, {true, "", 0}},
     ANSWER_YES,
     {},
     MSG_RETRIEVING + DEVICE_LINES + "\r\n" + DELETE_1 + "\r\nreturn code= -1(0xFFFFFFFF)\r\n\r\n" +
         DELETE_2 + "\r\n" + std::string(126, 'x') + "y\nreturn code= 0(0x0)\r\n\r\n" + DELETE_3 +
         "\r\nreturn code= 0(0x0)\r\n\r\n",
     {LISTING_COMMAND_LINE, DELETE_1, DELETE_2, DELETE_3},
     {CONFIRM, SOME_FAILED},
     {"box Confirm", std::string("close ") + DELETE_1, std::string("close ") + DELETE_2,
      std::string("close ") + DELETE_3, "box Caution", CLOSE_LISTING}},
    {"a package that was not installed counts as removed",
     {{true, LISTING, 0}, {true, "", 0}, {true, "", NOT_INSTALLED}, {true, "", 0}},
     ANSWER_YES,
     {7},
     MSG_RETRIEVING + DEVICE_LINES + "\r\n" + DELETE_1 + "\r\nreturn code= 0(0x0)\r\n\r\n" +
         DELETE_2 + "\r\nreturn code= -536870340(0xE000023C)\r\n\r\n" + DELETE_3 +
         "\r\nreturn code= 0(0x0)\r\n\r\n",
     {LISTING_COMMAND_LINE, DELETE_1, DELETE_2, DELETE_3},
     {CONFIRM, ALL_REMOVED},
     {"box Confirm", std::string("close ") + DELETE_1, std::string("close ") + DELETE_2,
      std::string("close ") + DELETE_3, "box Information", CLOSE_LISTING}},
    {"no listing: the system's devices with the target prefix, all three fields and no control "
     "character",
     {{true, USAGE, 0}, {true, "Deleted.\n", 0}, {true, "", 0}},
     ANSWER_YES,
     {},
     MSG_RETRIEVING +
         std::string("\"USB\\VID_04B4&PID_8613\\1\",\"A\",\"oem1.inf\"\n"
                     "\"USB\\VID_04B4&PID_8613\\7\",\"WinUSB \u30C7\u30D0\u30A4\u30B9\","
                     "\"oem7.inf\"\n\"USB\\VID_04B4&PID_8613\\8\",\"\",\"\"\n\r\n") +
         DELETE_1 +
         "\r\nDeleted.\nreturn code= 0(0x0)\r\n\r\npnputil /delete-driver \"oem7.inf\" "
         "/uninstall\r\nreturn code= 0(0x0)\r\n\r\nSkipped driver package \"\": the name "
         "is empty.\r\n",
     {LISTING_COMMAND_LINE, DELETE_1, "pnputil /delete-driver \"oem7.inf\" /uninstall"},
     {{Text{{tool("\""), field("A"), tool("\",\""), field("oem1.inf"), tool("\"\n\""),
             utf8Field("WinUSB \u30C7\u30D0\u30A4\u30B9"), tool("\",\""), field("oem7.inf"),
             tool("\"\n\""), field(""), tool("\",\""), field(""),
             tool(std::string("\"\n") + MSG_CONFIRM_QUESTION)}},
       "Confirm", BoxKind::YesNo},
      SOME_FAILED},
     {"device list", "box Confirm", std::string("close ") + DELETE_1,
      "close pnputil /delete-driver \"oem7.inf\" /uninstall", "box Caution", CLOSE_LISTING},
     std::vector<SystemDevice>{
         {"USB\\VID_04B4&PID_8613\\1", "A", "oem1.inf"},
         {"USB\\VID_04B4&PID_1004\\2", "B", "oem2.inf"},
         {"USB\\VID_04B4&PID_8613&MI_00\\3", "C", "oem3.inf"},
         {"usb\\vid_04b4&pid_8613\\4", "D", "oem4.inf"},
         {"USB\\VID_04B4&PID_8613\\5", std::nullopt, "oem5.inf"},
         {"USB\\VID_04B4&PID_8613\\6", "F", std::nullopt},
         {"USB\\VID_04B4&PID_8613\\7", "WinUSB \u30C7\u30D0\u30A4\u30B9", "oem7.inf"},
         {"USB\\VID_04B4&PID_8613\\8", "", ""},
         {"USB\\VID_04B4&PID_8613\\9", "I\"\n\"J", "oem9.inf"},
         {"USB\\VID_04B4&PID_8613\\10", "K", std::string("oem10.inf\0", 10)},
         {"USB\\VID_04B4&PID_8613\\\x1F", "L", "oem11.inf"}}},
    {"no listing and no target in the system's list",
     {{true, USAGE, 0}},
     ANSWER_YES,
     {},
     MSG_RETRIEVING,
     {LISTING_COMMAND_LINE},
     {{toolText(MSG_NONE_FOUND), "Error", BoxKind::Ok}},
     {"device list", "box Error", CLOSE_LISTING},
     std::vector<SystemDevice>{{"USB\\VID_04B4&PID_1004\\2", "B", "oem2.inf"}}},
    {"no listing and no system list",
     {{true, USAGE, 0}},
     ANSWER_YES,
     {},
     MSG_RETRIEVING,
     {LISTING_COMMAND_LINE},
     {{toolText(MSG_NO_DEVICE_LIST), "Error", BoxKind::Ok}},
     {"device list", "box Error", CLOSE_LISTING}},
};

TEST(MainSequence, ConsoleBoxesCommandsAndOrder) {
    for (const RunCase& c : RUN_CASES) {
        SCOPED_TRACE(c.name);
        FakeSeams seams{c.commands, c.answer, c.readSizes, c.systemDevices, {}, {}, {}, {}};
        FakeConsole console;
        const int status = runTool(seams.pipe(), seams.box(), console.seam(), seams.deviceList());
        const std::string& out = console.written;
        EXPECT_EQ(status, 1);
        // The banner, checked in the end-to-end cases, ends at the first empty line.
        EXPECT_EQ(out.substr(out.find("\n\n") + 2), c.afterBanner);
        EXPECT_EQ(seams.started, c.started);
        EXPECT_EQ(seams.boxes, c.boxes);
        EXPECT_EQ(seams.events, c.events);
    }
}

} // namespace
