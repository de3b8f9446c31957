#pragma once

// Fakes of the tool's seams: a command pipe that serves scripted commands in raw reads, a message
// box that records what it shows and answers as told, a system device list as scripted, and a
// standard output that records what is written to it.
#include "platform/command_pipe.h"
#include "platform/console.h"
#include "platform/device_list.h"
#include "platform/message_box.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The bytes of every run as they stand, whatever their encodings.
inline std::string joinedBytes(const Text& text) {
    std::string bytes;
    for (const TextRun& run : text.runs) {
        bytes += run.bytes;
    }
    return bytes;
}

// Everything written to standard output, in order: the tool's text as its runs' bytes (its
// encodings are checked where it leaves the tool, end to end).
struct FakeConsole {
    std::string written;

    ConsoleSeam seam() {
        return {[this](const Text& text) { written += joinedBytes(text); },
                [this](std::string_view bytes) { written += bytes; }};
    }
};

// A command's output served in raw reads of the given sizes in turn, over and over (none given:
// as much as each read asks for).
struct ScriptedOutput {
    std::string bytes;
    std::vector<size_t> readSizes;
    size_t readAt = 0;
    size_t readCount = 0;
};

inline size_t readScripted(ScriptedOutput& output, char* buffer, size_t size) {
    const size_t allowed = output.readSizes.empty()
                               ? size
                               : output.readSizes[output.readCount++ % output.readSizes.size()];
    const size_t got = output.bytes.copy(buffer, std::min(size, allowed), output.readAt);
    output.readAt += got;
    return got;
}

// What one command does when the tool starts it.
struct ScriptedCommand {
    bool starts = true;
    std::string output;
    int32_t status = 0;
};

struct ShownBox {
    Text text;
    std::string caption;
    BoxKind kind;
    bool operator==(const ShownBox& o) const {
        return text == o.text && caption == o.caption && kind == o.kind;
    }
};

// Serves the scripted commands in the order the tool starts them (a command past the script
// cannot start), and records the command lines started, the boxes shown, and the order of the
// boxes, pipe closings and reads of the system device list as "box <caption>", "close <command
// line>" and "device list".
struct FakeSeams {
    std::vector<ScriptedCommand> commands;
    int answer = ANSWER_NO;        // what every box returns; only the Yes/No box's answer counts
    std::vector<size_t> readSizes; // of every command's raw reads (none: as much as asked for)
    std::optional<std::vector<SystemDevice>> systemDevices; // none: the system gives no list

    std::vector<std::string> started;
    std::vector<ShownBox> boxes;
    std::vector<std::string> events;

    struct OpenCommand {
        std::string commandLine;
        ScriptedOutput output;
        int32_t status = 0;
    };
    std::deque<OpenCommand> open; // a deque keeps the handles valid

    CommandPipe pipe() {
        CommandPipe p;
        p.open = [this](const std::string& commandLine) -> PipeHandle {
            const size_t index = started.size();
            started.push_back(commandLine);
            if (index >= commands.size() || !commands[index].starts) {
                return nullptr;
            }
            const ScriptedCommand& command = commands[index];
            open.push_back({commandLine, {command.output, readSizes}, command.status});
            return &open.back();
        };
        p.read = [](PipeHandle handle, char* buffer, size_t size) {
            return readScripted(static_cast<OpenCommand*>(handle)->output, buffer, size);
        };
        p.close = [this](PipeHandle handle) {
            const auto& command = *static_cast<OpenCommand*>(handle);
            events.push_back("close " + command.commandLine);
            return command.status;
        };
        return p;
    }

    DeviceListSeam deviceList() {
        return [this](std::vector<SystemDevice>& devices) {
            events.emplace_back("device list");
            if (systemDevices) {
                devices = *systemDevices;
            }
            return systemDevices.has_value();
        };
    }

    MessageSeam box() {
        return [this](const Text& text, const std::string& caption, BoxKind kind) {
            boxes.push_back({text, caption, kind});
            events.push_back("box " + caption);
            return answer;
        };
    }
};
