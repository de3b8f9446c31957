#include "deletion_phase.h"

#include "app/messages.h"
#include "platform/output_reader.h"
#include "platform/pnputil.h"

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

constexpr size_t COMMAND_BUFFER_SIZE = 1024;
constexpr size_t OUTPUT_READ_LIMIT = 128;
// "return code= -2147483648(0x80000000)\r\n\r\n" and its terminating zero.
constexpr size_t RETURN_CODE_LINE_SIZE = 48;

bool isLetterOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool isAllowedNameByte(char c) {
    return isLetterOrDigit(c) || c == '.' || c == '_' || c == '-';
}

constexpr const char HEX_DIGITS[] = "0123456789ABCDEF";

// The name as one printable line: bytes outside printable ASCII are shown as \xNN.
std::string printableName(const std::string& name) {
    std::string shown;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            shown += c;
        } else {
            shown += "\\x";
            shown += HEX_DIGITS[byte >> 4];
            shown += HEX_DIGITS[byte & 0xF];
        }
    }
    return shown;
}

std::string rejectionReason(NameRejection rejection) {
    switch (rejection) {
    case NameRejection::Empty:
        return "the name is empty";
    case NameRejection::UnsafeCharacters:
        return "the name holds characters other than letters, digits, '.', '_' and '-'";
    case NameRejection::LeadingCharacter:
        return "the name does not begin with a letter or a digit";
    case NameRejection::TooLong:
        // The buffer holds the command line and its terminating zero.
        return "the command line would not fit in " + std::to_string(COMMAND_BUFFER_SIZE - 1) +
               " bytes";
    case NameRejection::None:
        break;
    }
    return {};
}

bool isCountedAsRemoved(int32_t status) {
    return status == DELETE_STATUS_SUCCESS || status == DELETE_STATUS_NOT_INSTALLED_OEM_INF;
}

} // namespace

NameRejection checkDriverPackageName(const std::string& name) {
    if (name.empty()) {
        return NameRejection::Empty;
    }
    for (const char c : name) {
        if (!isAllowedNameByte(c)) {
            return NameRejection::UnsafeCharacters;
        }
    }
    // pnputil could read a name such as "-f" as one of its own switches.
    if (!isLetterOrDigit(name.front())) {
        return NameRejection::LeadingCharacter;
    }
    return NameRejection::None;
}

void runDeletionPhase(const std::vector<std::string>& driverNames, int32_t foundCount,
                      ReadBuffer& readBuffer, const CommandPipe& pipe,
                      const MessageSeam& showMessage, const ConsoleSeam& console) {
    int32_t removedCount = 0;
    std::array<char, COMMAND_BUFFER_SIZE> commandLine{};

    console.writeText(toolText("\r\n"));
    for (int32_t i = 0; i < foundCount; ++i) {
        const std::string& name = driverNames[static_cast<size_t>(i)];
        NameRejection rejection = checkDriverPackageName(name);
        if (rejection == NameRejection::None &&
            !formatDeleteCommand(commandLine.data(), commandLine.size(), name)) {
            rejection = NameRejection::TooLong;
        }
        if (rejection != NameRejection::None) {
            console.writeText(toolText("Skipped driver package \"" + printableName(name) +
                                       "\": " + rejectionReason(rejection) + ".\r\n"));
            continue;
        }
        console.writeText(toolText(std::string(commandLine.data()) + "\r\n"));
        const PipeHandle command = pipe.open(commandLine.data());
        if (command == nullptr) {
            // The names after this one are not attempted; earlier deletions stay done.
            showMessage(toolText(MSG_TOOL_NOT_RUNNABLE), CAPTION_ERROR, BoxKind::Ok);
            return;
        }
        OutputReader output = startReading(pipe, command);
        std::string_view chunk;
        while (readChunk(output, readBuffer.data(), OUTPUT_READ_LIMIT, chunk)) {
            console.relayBytes(chunk);
        }
        const int32_t status = pipe.close(command);
        std::array<char, RETURN_CODE_LINE_SIZE> returnCodeLine{};
        std::snprintf(returnCodeLine.data(), returnCodeLine.size(), "return code= %d(0x%X)\r\n\r\n",
                      status, static_cast<unsigned>(status));
        console.writeText(toolText(returnCodeLine.data()));
        if (isCountedAsRemoved(status)) {
            ++removedCount;
        }
    }
    if (removedCount == foundCount) {
        showMessage(toolText(MSG_ALL_REMOVED), CAPTION_INFORMATION, BoxKind::Ok);
    } else {
        showMessage(toolText(MSG_SOME_FAILED), CAPTION_CAUTION, BoxKind::Ok);
    }
}
