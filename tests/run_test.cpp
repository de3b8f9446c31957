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
const std::string HEAD = BANNER + MSG_RETRIEVING;

std::string device(const std::string& id, const std::string& description,
                   const std::string& driver) {
    return "<Device InstanceId=\"USB\\VID_04B4&amp;PID_8613\\" + id + "\">\n<DeviceDescription>" +
           description + "</DeviceDescription>\n<DriverName>" + driver +
           "</DriverName>\n</Device>\n";
}
std::string deviceLine(const std::string& id, const std::string& description,
                       const std::string& driver) {
    return "\"USB\\VID_04B4&PID_8613\\" + id + "\",\"" + description + "\",\"" + driver + "\"\n";
}
std::string command(const std::string& name) {
    return "pnputil /delete-driver \"" + name + "\" /uninstall";
}
std::string commandLine(const std::string& name) {
    return command(name) + "\r\n";
}
std::string returnCode(const char* text) {
    return std::string("return code= ") + text + "\r\n\r\n";
}
const std::string DELETED = "Driver package deleted successfully.\n";
const std::string NOT_OEM =
    "Failed to delete driver package: The specified file is not an installed OEM INF.\n";
const int32_t NOT_OEM_STATUS = static_cast<int32_t>(0xE000023CU);

const std::string TWO_DEVICES = "<?xml?>\n<PnpUtil>\n" + device("1", "Board A", "oem1.inf") +
                                device("2", "Board B", "oem2.inf") + "</PnpUtil>\n";
const std::string TWO_LINES =
    deviceLine("1", "Board A", "oem1.inf") + deviceLine("2", "Board B", "oem2.inf");
const std::string TWO_CONFIRM =
    "\"Board A\",\"oem1.inf\"\n\"Board B\",\"oem2.inf\"\n" + std::string(MSG_CONFIRM_QUESTION);
const Box CONFIRM_TWO{TWO_CONFIRM, "Confirm", BoxKind::YesNo};
const Box NONE_FOUND{MSG_NONE_FOUND, "Error", BoxKind::Ok};
const Box ALL_REMOVED{MSG_ALL_REMOVED, "Information", BoxKind::Ok};
const Box SOME_FAILED{MSG_SOME_FAILED, "Caution", BoxKind::Ok};
const Box NOT_RUNNABLE{MSG_TOOL_NOT_RUNNABLE, "Error", BoxKind::Ok};

const std::string LONG_NAME_987 = std::string(983, 'n') + ".inf";
const std::string LONG_NAME_988 = std::string(984, 'n') + ".inf";

struct RunCase {
    const char* name;
    std::optional<std::string> listing;
    int answer;
    std::vector<ScriptedCommand> commands;
    std::string expectedStdout;
    std::vector<Box> expectedBoxes;
    std::vector<std::string> expectedCommands; // deletion commands started, in order
};

const RunCase RUN_CASES[] = {
    {"listing cannot start", std::nullopt, ANSWER_YES, {}, BANNER, {NOT_RUNNABLE}, {}},
    {"empty listing", std::string(), ANSWER_YES, {}, HEAD, {NONE_FOUND}, {}},
    {"no target devices",
     "<PnpUtil>\n<Device InstanceId=\"USB\\VID_04B4&amp;PID_1004\\1\">\n<DeviceDescription>x"
     "</DeviceDescription>\n<DriverName>oem3.inf</DriverName>\n</Device>\n</PnpUtil>\n",
     ANSWER_YES,
     {},
     HEAD,
     {NONE_FOUND},
     {}},
    {"two targets answered No", TWO_DEVICES, ANSWER_NO, {}, HEAD + TWO_LINES, {CONFIRM_TWO}, {}},
    {"any answer but Yes is No", TWO_DEVICES, ANSWER_OK, {}, HEAD + TWO_LINES, {CONFIRM_TWO}, {}},
    {"success and not-installed both count",
     TWO_DEVICES,
     ANSWER_YES,
     {{true, DELETED, 0}, {true, NOT_OEM, NOT_OEM_STATUS}},
     HEAD + TWO_LINES + "\r\n" + commandLine("oem1.inf") + DELETED + returnCode("0(0x0)") +
         commandLine("oem2.inf") + NOT_OEM + returnCode("-536870340(0xE000023C)"),
     {CONFIRM_TWO, ALL_REMOVED},
     {command("oem1.inf"), command("oem2.inf")}},
    {"status 5 is a failure",
     device("1", "Board A", "oem1.inf"),
     ANSWER_YES,
     {{true, "Access is denied.\n", 5}},
     HEAD + deviceLine("1", "Board A", "oem1.inf") + "\r\n" + commandLine("oem1.inf") +
         "Access is denied.\n" + returnCode("5(0x5)"),
     {{"\"Board A\",\"oem1.inf\"\n" + std::string(MSG_CONFIRM_QUESTION), "Confirm", BoxKind::YesNo},
      SOME_FAILED},
     {command("oem1.inf")}},
    {"close failure is a failure",
     device("1", "A", "oem1.inf"),
     ANSWER_YES,
     {{true, "", -1}},
     HEAD + deviceLine("1", "A", "oem1.inf") + "\r\n" + commandLine("oem1.inf") +
         returnCode("-1(0xFFFFFFFF)"),
     {{"\"A\",\"oem1.inf\"\n" + std::string(MSG_CONFIRM_QUESTION), "Confirm", BoxKind::YesNo},
      SOME_FAILED},
     {command("oem1.inf")}},
    {"second of three cannot start",
     device("1", "A", "oem1.inf") + device("2", "B", "oem2.inf") + device("3", "C", "oem3.inf"),
     ANSWER_YES,
     {{true, DELETED, 0}, {false, "", 0}, {true, DELETED, 0}},
     HEAD + deviceLine("1", "A", "oem1.inf") + deviceLine("2", "B", "oem2.inf") +
         deviceLine("3", "C", "oem3.inf") + "\r\n" + commandLine("oem1.inf") + DELETED +
         returnCode("0(0x0)") + commandLine("oem2.inf"),
     {{"\"A\",\"oem1.inf\"\n\"B\",\"oem2.inf\"\n\"C\",\"oem3.inf\"\n" +
           std::string(MSG_CONFIRM_QUESTION),
       "Confirm", BoxKind::YesNo},
      NOT_RUNNABLE},
     {command("oem1.inf"), command("oem2.inf")}},
    {"same package listed twice runs twice",
     device("1", "A", "oem1.inf") + device("2", "B", "oem1.inf"),
     ANSWER_YES,
     {{true, DELETED, 0}, {true, NOT_OEM, NOT_OEM_STATUS}},
     HEAD + deviceLine("1", "A", "oem1.inf") + deviceLine("2", "B", "oem1.inf") + "\r\n" +
         commandLine("oem1.inf") + DELETED + returnCode("0(0x0)") + commandLine("oem1.inf") +
         NOT_OEM + returnCode("-536870340(0xE000023C)"),
     {{"\"A\",\"oem1.inf\"\n\"B\",\"oem1.inf\"\n" + std::string(MSG_CONFIRM_QUESTION), "Confirm",
       BoxKind::YesNo},
      ALL_REMOVED},
     {command("oem1.inf"), command("oem1.inf")}},
    {"long output lines arrive whole and verbatim",
     device("1", "A", "oem1.inf"),
     ANSWER_YES,
     {{true, std::string(300, 'x') + " 100% %s %n\n" + std::string(127, 'y') + "\n", 0}},
     HEAD + deviceLine("1", "A", "oem1.inf") + "\r\n" + commandLine("oem1.inf") +
         std::string(300, 'x') + " 100% %s %n\n" + std::string(127, 'y') + "\n" +
         returnCode("0(0x0)"),
     {{"\"A\",\"oem1.inf\"\n" + std::string(MSG_CONFIRM_QUESTION), "Confirm", BoxKind::YesNo},
      ALL_REMOVED},
     {command("oem1.inf")}},
    {"987-byte name fits, 988-byte name is skipped",
     device("1", "A", LONG_NAME_987) + device("2", "B", LONG_NAME_988),
     ANSWER_YES,
     {{true, DELETED, 0}},
     HEAD + deviceLine("1", "A", LONG_NAME_987) + deviceLine("2", "B", LONG_NAME_988) + "\r\n" +
         commandLine(LONG_NAME_987) + DELETED + returnCode("0(0x0)") + "Skipped driver package \"" +
         LONG_NAME_988 + "\": the command line would not fit in 1023 bytes.\r\n",
     {{"\"A\",\"" + LONG_NAME_987 + "\"\n\"B\",\"" + LONG_NAME_988 + "\"\n" +
           std::string(MSG_CONFIRM_QUESTION),
       "Confirm", BoxKind::YesNo},
      SOME_FAILED},
     {command(LONG_NAME_987)}},
    {"hostile and empty names are never run",
     device("1", "A", "a\" & del x & \".inf") + device("2", "B", "%PATH%.inf") +
         device("3", "C", "$(reboot).inf") + device("4", "D", "`id`.inf") +
         device("5", "E", "..\\x.inf") + device("6", "F", "") + device("7", "G", "oem7.inf") +
         device("8", "H", "tab\there.inf"),
     ANSWER_YES,
     {{true, DELETED, 0}},
     HEAD + deviceLine("1", "A", "a\" & del x & \".inf") + deviceLine("2", "B", "%PATH%.inf") +
         deviceLine("3", "C", "$(reboot).inf") + deviceLine("4", "D", "`id`.inf") +
         deviceLine("5", "E", "..\\x.inf") + deviceLine("6", "F", "") +
         deviceLine("7", "G", "oem7.inf") + deviceLine("8", "H", "tab\there.inf") + "\r\n" +
         "Skipped driver package \"a\" & del x & \".inf\": the name holds characters other than "
         "letters, digits, '.', '_' and '-'.\r\n"
         "Skipped driver package \"%PATH%.inf\": the name holds characters other than letters, "
         "digits, '.', '_' and '-'.\r\n"
         "Skipped driver package \"$(reboot).inf\": the name holds characters other than letters, "
         "digits, '.', '_' and '-'.\r\n"
         "Skipped driver package \"`id`.inf\": the name holds characters other than letters, "
         "digits, '.', '_' and '-'.\r\n"
         "Skipped driver package \"..\\x.inf\": the name holds characters other than letters, "
         "digits, '.', '_' and '-'.\r\n"
         "Skipped driver package \"\": the name is empty.\r\n" +
         commandLine("oem7.inf") + DELETED + returnCode("0(0x0)") +
         "Skipped driver package \"tab\\x09here.inf\": the name holds characters other than "
         "letters, digits, '.', '_' and '-'.\r\n",
     {{"\"A\",\"a\" & del x & \".inf\"\n\"B\",\"%PATH%.inf\"\n\"C\",\"$(reboot).inf\"\n\"D\",\"`id`"
       ".inf\"\n\"E\",\"..\\x.inf\"\n\"F\",\"\"\n\"G\",\"oem7.inf\"\n\"H\",\"tab\there.inf\"\n" +
           std::string(MSG_CONFIRM_QUESTION),
       "Confirm", BoxKind::YesNo},
      SOME_FAILED},
     {command("oem7.inf")}},
    // Chunks end at 1022 bytes: a tag that starts 1 byte before the cut at 2044 is lost,
    // one that starts right at it is found.
    {"tag split at the 1022-byte read limit is lost",
     "<Device InstanceId=\"USB\\VID_04B4&amp;PID_8613\\1\">\n" + std::string(2043, ' ') +
         "<DeviceDescription>A</DeviceDescription>\n<DriverName>oem1.inf</DriverName>\n</Device>\n",
     ANSWER_NO,
     {},
     HEAD,
     {NONE_FOUND},
     {}},
    {"tag right after two full reads is found",
     "<Device InstanceId=\"USB\\VID_04B4&amp;PID_8613\\1\">\n" + std::string(2044, ' ') +
         "<DeviceDescription>A</DeviceDescription>\n<DriverName>oem1.inf</DriverName>\n</Device>\n",
     ANSWER_NO,
     {},
     HEAD + deviceLine("1", "A", "oem1.inf"),
     {{"\"A\",\"oem1.inf\"\n" + std::string(MSG_CONFIRM_QUESTION), "Confirm", BoxKind::YesNo}},
     {}},
    {"zero byte ends a chunk early",
     "<Device InstanceId=\"USB\\VID_04B4&amp;PID_8613\\1\">\n<DeviceDescription>A" +
         std::string(1, '\0') +
         "</DeviceDescription>\n<DeviceDescription>B</DeviceDescription>\n"
         "<DriverName>oem1.inf</DriverName>\n</Device>\n",
     ANSWER_NO,
     {},
     HEAD + deviceLine("1", "B", "oem1.inf"),
     {{"\"B\",\"oem1.inf\"\n" + std::string(MSG_CONFIRM_QUESTION), "Confirm", BoxKind::YesNo}},
     {}},
};

NAME_CASES_BY_FIELD(RunCase)

class RunCases : public testing::TestWithParam<RunCase> {};

TEST_P(RunCases, ConsoleBoxesAndCommands) {
    const RunCase& c = GetParam();
    ScriptedRun run{c.listing, c.answer, c.commands, {}, {}, {}, {}};
    int status = 0;
    const std::string out = captureStdout([&] { status = runTool(run.pipe(), run.box()); });

    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, c.expectedStdout);
    EXPECT_EQ(run.boxes, c.expectedBoxes);
    ASSERT_FALSE(run.opened.empty());
    EXPECT_EQ(run.opened.front(), "pnputil /enum-devices /format xml");
    EXPECT_EQ(std::vector<std::string>(run.opened.begin() + 1, run.opened.end()),
              c.expectedCommands);
    if (c.listing) {
        // The listing pipe is closed once, after the last box.
        EXPECT_EQ(run.events.back(), "close listing");
        EXPECT_EQ(std::count(run.events.begin(), run.events.end(), "close listing"), 1);
    } else {
        EXPECT_TRUE(std::find(run.events.begin(), run.events.end(), "close listing") ==
                    run.events.end());
    }
}

INSTANTIATE_TEST_SUITE_P(Run, RunCases, testing::ValuesIn(RUN_CASES), caseNameOf);

} // namespace
