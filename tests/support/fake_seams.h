#pragma once

// Fakes of the tool's two seams: a command pipe that serves scripted commands, read as fgets
// reads them, and a message box that records what it shows and answers as told.
#include "platform/command_pipe.h"
#include "platform/message_box.h"
#include "support/pipe_reads.h"

#include <deque>
#include <string>
#include <vector>

// What one command does when the tool starts it.
struct ScriptedCommand {
    bool starts = true;
    std::string output;
    int32_t status = 0;
};

struct ShownBox {
    std::string text;
    std::string caption;
    BoxKind kind;
    bool operator==(const ShownBox& o) const {
        return text == o.text && caption == o.caption && kind == o.kind;
    }
};

// Serves the scripted commands in the order the tool starts them (a command past the script
// cannot start), and records the command lines started, the boxes shown, and the order of the
// boxes and pipe closings as "box <caption>" and "close <command line>".
struct FakeSeams {
    std::vector<ScriptedCommand> commands;
    int answer = ANSWER_NO; // what every box returns; only the Yes/No box's answer counts

    std::vector<std::string> started;
    std::vector<ShownBox> boxes;
    std::vector<std::string> events;

    struct OpenCommand {
        std::string commandLine;
        std::string output;
        size_t readAt = 0;
        int32_t status = 0;
    };
    std::deque<OpenCommand> open; // a deque keeps the handles valid

    CommandPipe pipe() {
        CommandPipe p;
        p.open = [this](const std::string& commandLine, const char* /*mode*/) -> PipeHandle {
            const size_t index = started.size();
            started.push_back(commandLine);
            if (index >= commands.size() || !commands[index].starts) {
                return nullptr;
            }
            open.push_back({commandLine, commands[index].output, 0, commands[index].status});
            return &open.back();
        };
        p.readChunk = [](PipeHandle handle, char* buffer, int limit) {
            auto& command = *static_cast<OpenCommand*>(handle);
            if (command.readAt == command.output.size()) {
                return false;
            }
            const size_t end = readEnd(command.output, command.readAt, static_cast<size_t>(limit));
            command.output.copy(buffer, end - command.readAt, command.readAt);
            buffer[end - command.readAt] = '\0';
            command.readAt = end;
            return true;
        };
        p.close = [this](PipeHandle handle) {
            const auto& command = *static_cast<OpenCommand*>(handle);
            events.push_back("close " + command.commandLine);
            return command.status;
        };
        return p;
    }

    MessageSeam box() {
        return [this](const std::string& text, const std::string& caption, BoxKind kind) {
            boxes.push_back({text, caption, kind});
            events.push_back("box " + caption);
            return answer;
        };
    }
};
