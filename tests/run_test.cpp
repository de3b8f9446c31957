// Whole runs in-process: a scripted command pipe and a recording message box.
#include "app/main_sequence.h"
#include "app/messages.h"
#include "support/captured_stdout.h"

#include "support/case_names.h"
#include <gtest/gtest.h>

#include <optional>

namespace {

// What one deletion command does when the tool runs it.
struct ScriptedCommand {
    bool starts = true;
    std::string output;
    int32_t status = 0;
};

struct Box {
    std::string text;
    std::string caption;
    BoxKind kind;
    bool operator==(const Box& o) const {
        return text == o.text && caption == o.caption && kind == o.kind;
    }
};

struct OpenPipe {
    std::string output;
    size_t readAt = 0;
    int32_t status = 0;
};

// Serves the listing, then the scripted commands in order, reading as fgets does.
struct ScriptedRun {
    std::optional<std::string> listing; // nullopt: the listing command cannot be started
    int answer = ANSWER_NO;
    std::vector<ScriptedCommand> commands;

    std::vector<std::string> opened;
    std::vector<std::string> events;
    std::vector<Box> boxes;
    std::vector<OpenPipe> pipes;

    CommandPipe pipe() {
        CommandPipe p;
        p.open = [this](const std::string& commandLine, const char* mode) -> PipeHandle {
            EXPECT_STREQ(mode, "rt");
            opened.push_back(commandLine);
            pipes.reserve(64);
            if (opened.size() == 1) {
                if (!listing) {
                    return nullptr;
                }
                pipes.push_back({*listing, 0, 0});
            } else {
                const size_t index = opened.size() - 2;
                const ScriptedCommand command =
                    index < commands.size() ? commands[index] : ScriptedCommand{false, "", 0};
                if (!command.starts) {
                    return nullptr;
                }
                pipes.push_back({command.output, 0, command.status});
            }
            return &pipes.back();
        };
        p.readChunk = [](PipeHandle handle, char* buffer, int limit) {
            auto* open = static_cast<OpenPipe*>(handle);
            if (open->readAt >= open->output.size()) {
                return false;
            }
            int n = 0;
            while (n < limit - 1 && open->readAt < open->output.size()) {
                const char c = open->output[open->readAt++];
                buffer[n++] = c;
                if (c == '\n') {
                    break;
                }
            }
            buffer[n] = '\0';
            return true;
        };
        p.close = [this](PipeHandle handle) {
            auto* open = static_cast<OpenPipe*>(handle);
            events.push_back(open == &pipes.front() ? "close listing" : "close command");
            return open->status;
        };
        return p;
    }

    MessageSeam box() {
        return [this](const std::string& text, const std::string& caption, BoxKind kind) {
            boxes.push_back({text, caption, kind});
            events.push_back("box " + caption);
            return kind == BoxKind::YesNo ? answer : ANSWER_OK;
        };
    }
};

const std::string BANNER =
    std::string(65, '=') + "\n[" + BANNER_TITLE + "][" + BANNER_DOMAIN + "]\n\n";

// A target device of a scripted listing; the n-th has instance id USB\VID_04B4&PID_8613\n.
struct Target {
    std::string description;
    std::string driver;
};

enum class Listing { CannotStart, Empty, Devices };

struct RunCase {
    const char* name;
    Listing listing;
    std::vector<Target> targets; // listed after a device that is not a target
    int answer;
    std::vector<ScriptedCommand> commands;
    std::string deletionOutput; // what follows the device lines
    std::vector<Box> lastBoxes; // the boxes after the confirmation, if any
};

std::string listingOf(const std::vector<Target>& targets) {
    std::string listing = "<PnpUtil>\n<Device InstanceId=\"USB\\VID_04B4&amp;PID_1004\\0\">\n"
                          "<DeviceDescription>FX2 with firmware</DeviceDescription>\n"
                          "<DriverName>oem9.inf</DriverName>\n</Device>\n";
    for (size_t i = 0; i < targets.size(); ++i) {
        listing += "<Device InstanceId=\"USB\\VID_04B4&amp;PID_8613\\" + std::to_string(i + 1) +
                   "\">\n<DeviceDescription>" + targets[i].description +
                   "</DeviceDescription>\n<DriverName>" + targets[i].driver +
                   "</DriverName>\n</Device>\n";
    }
    return listing + "</PnpUtil>\n";
}

std::string commandLine(const std::string& name) {
    return "pnputil /delete-driver \"" + name + "\" /uninstall\r\n";
}
std::string returnCode(const char* text) {
    return std::string("return code= ") + text + "\r\n\r\n";
}
std::string skipped(const std::string& shownName, const char* reason) {
    return "Skipped driver package \"" + shownName + "\": " + reason + ".\r\n";
}
const char* const UNSAFE = "the name holds characters other than letters, digits, '.', '_' and '-'";
const std::string DELETED = "Driver package deleted successfully.\n";
const std::string NOT_OEM =
    "Failed to delete driver package: The specified file is not an installed OEM INF.\n";
const int32_t NOT_OEM_STATUS = static_cast<int32_t>(0xE000023CU);
const std::string LONG_NAME_987 = std::string(983, 'n') + ".inf";
const std::string LONG_NAME_988 = std::string(984, 'n') + ".inf";
const std::string LONG_OUTPUT =
    std::string(300, 'x') + " 100% %s %n\n" + std::string(127, 'y') + "\n";

const Box NONE_FOUND{MSG_NONE_FOUND, "Error", BoxKind::Ok};
const Box ALL_REMOVED{MSG_ALL_REMOVED, "Information", BoxKind::Ok};
const Box SOME_FAILED{MSG_SOME_FAILED, "Caution", BoxKind::Ok};
const Box NOT_RUNNABLE{MSG_TOOL_NOT_RUNNABLE, "Error", BoxKind::Ok};
const std::vector<Target> TWO = {{"Board A", "oem1.inf"}, {"Board B", "oem2.inf"}};

const RunCase RUN_CASES[] = {
    {"listing cannot start", Listing::CannotStart, {}, ANSWER_YES, {}, "", {NOT_RUNNABLE}},
    {"empty listing", Listing::Empty, {}, ANSWER_YES, {}, "", {NONE_FOUND}},
    {"no target devices", Listing::Devices, {}, ANSWER_YES, {}, "", {NONE_FOUND}},
    {"two targets answered No", Listing::Devices, TWO, ANSWER_NO, {}, "", {}},
    {"any answer but Yes is No", Listing::Devices, TWO, ANSWER_OK, {}, "", {}},
    {"success and not-installed both count",
     Listing::Devices,
     TWO,
     ANSWER_YES,
     {{true, DELETED, 0}, {true, NOT_OEM, NOT_OEM_STATUS}},
     "\r\n" + commandLine("oem1.inf") + DELETED + returnCode("0(0x0)") + commandLine("oem2.inf") +
         NOT_OEM + returnCode("-536870340(0xE000023C)"),
     {ALL_REMOVED}},
    {"status 5 is a failure",
     Listing::Devices,
     {{"A", "oem1.inf"}},
     ANSWER_YES,
     {{true, "Access is denied.\n", 5}},
     "\r\n" + commandLine("oem1.inf") + "Access is denied.\n" + returnCode("5(0x5)"),
     {SOME_FAILED}},
    {"close failure is a failure",
     Listing::Devices,
     {{"A", "oem1.inf"}},
     ANSWER_YES,
     {{true, "", -1}},
     "\r\n" + commandLine("oem1.inf") + returnCode("-1(0xFFFFFFFF)"),
     {SOME_FAILED}},
    {"second of three cannot start",
     Listing::Devices,
     {{"A", "oem1.inf"}, {"B", "oem2.inf"}, {"C", "oem3.inf"}},
     ANSWER_YES,
     {{true, DELETED, 0}, {false, "", 0}, {true, DELETED, 0}},
     "\r\n" + commandLine("oem1.inf") + DELETED + returnCode("0(0x0)") + commandLine("oem2.inf"),
     {NOT_RUNNABLE}},
    {"same package listed twice runs twice",
     Listing::Devices,
     {{"A", "oem1.inf"}, {"B", "oem1.inf"}},
     ANSWER_YES,
     {{true, DELETED, 0}, {true, NOT_OEM, NOT_OEM_STATUS}},
     "\r\n" + commandLine("oem1.inf") + DELETED + returnCode("0(0x0)") + commandLine("oem1.inf") +
         NOT_OEM + returnCode("-536870340(0xE000023C)"),
     {ALL_REMOVED}},
    {"long output lines arrive whole and verbatim",
     Listing::Devices,
     {{"A", "oem1.inf"}},
     ANSWER_YES,
     {{true, LONG_OUTPUT, 0}},
     "\r\n" + commandLine("oem1.inf") + LONG_OUTPUT + returnCode("0(0x0)"),
     {ALL_REMOVED}},
    {"987-byte name fits, 988-byte name is skipped",
     Listing::Devices,
     {{"A", LONG_NAME_987}, {"B", LONG_NAME_988}},
     ANSWER_YES,
     {{true, DELETED, 0}},
     "\r\n" + commandLine(LONG_NAME_987) + DELETED + returnCode("0(0x0)") +
         skipped(LONG_NAME_988, "the command line would not fit in 1023 bytes"),
     {SOME_FAILED}},
    {"hostile and empty names are never run",
     Listing::Devices,
     {{"A", "a\" & del x & \".inf"},
      {"B", "%PATH%.inf"},
      {"C", ""},
      {"D", "oem4.inf"},
      {"E", "tab\there.inf"}},
     ANSWER_YES,
     {{true, DELETED, 0}},
     "\r\n" + skipped("a\" & del x & \".inf", UNSAFE) + skipped("%PATH%.inf", UNSAFE) +
         skipped("", "the name is empty") + commandLine("oem4.inf") + DELETED +
         returnCode("0(0x0)") + skipped("tab\\x09here.inf", UNSAFE),
     {SOME_FAILED}},
};

NAME_CASES_BY_FIELD(RunCase)

class RunCases : public testing::TestWithParam<RunCase> {};

TEST_P(RunCases, ConsoleBoxesAndCommands) {
    const RunCase& c = GetParam();
    std::optional<std::string> listing;
    if (c.listing != Listing::CannotStart) {
        listing = c.listing == Listing::Empty ? "" : listingOf(c.targets);
    }
    ScriptedRun run{listing, c.answer, c.commands, {}, {}, {}, {}};
    int status = 0;
    const std::string out = captureStdout([&] { status = runTool(run.pipe(), run.box()); });

    // Every target gets a console line and a line in the confirmation box.
    std::string expected = BANNER;
    std::vector<Box> boxes;
    if (listing) {
        std::string deviceLines;
        std::string confirmText;
        for (size_t i = 0; i < c.targets.size(); ++i) {
            const Target& t = c.targets[i];
            deviceLines += "\"USB\\VID_04B4&PID_8613\\" + std::to_string(i + 1) + "\",\"" +
                           t.description + "\",\"" + t.driver + "\"\n";
            confirmText += "\"" + t.description + "\",\"" + t.driver + "\"\n";
        }
        expected += MSG_RETRIEVING + deviceLines + c.deletionOutput;
        if (!c.targets.empty()) {
            boxes.push_back({confirmText + MSG_CONFIRM_QUESTION, "Confirm", BoxKind::YesNo});
        }
    }
    boxes.insert(boxes.end(), c.lastBoxes.begin(), c.lastBoxes.end());
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(run.boxes, boxes);

    // The commands started are the listing and exactly the deletion commands shown.
    std::vector<std::string> shown = {"pnputil /enum-devices /format xml"};
    for (size_t at = expected.find("pnputil /delete-driver"); at != std::string::npos;
         at = expected.find("pnputil /delete-driver", at + 1)) {
        shown.push_back(expected.substr(at, expected.find("\r\n", at) - at));
    }
    EXPECT_EQ(run.opened, shown);
    // The listing pipe is closed once, after the last box.
    const auto closes = std::count(run.events.begin(), run.events.end(), "close listing");
    EXPECT_EQ(closes, listing ? 1 : 0);
    if (listing) {
        EXPECT_EQ(run.events.back(), "close listing");
    }
}

INSTANTIATE_TEST_SUITE_P(Run, RunCases, testing::ValuesIn(RUN_CASES), caseNameOf);

} // namespace
