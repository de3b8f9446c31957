#include "command_pipe.h"
#include "pnputil_environment.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The tool runs elevated. It starts the system's own pnputil.exe by its full path, with no
// command interpreter between (whose path, ComSpec, and AutoRun commands the user can set),
// never searches the current folder or the search path for it, and gives it the system's own
// search path and Windows folder.
constexpr const char PNPUTIL_FILE_NAME[] = "\\pnputil.exe";

struct WindowsPipe {
    HANDLE output; // the read end
    HANDLE process;
};

// The system folder or the Windows folder, as the given call names it; empty if it cannot.
std::string folderFrom(UINT(WINAPI* query)(LPSTR, UINT)) {
    char folder[MAX_PATH + 1];
    const UINT length = query(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string();
}

// The tool's own environment, as its entries.
std::vector<std::string> toolEnvironment() {
    std::vector<std::string> entries;
    char* const strings = GetEnvironmentStringsA();
    for (const char* entry = strings; entry != nullptr && *entry != '\0';
         entry += std::strlen(entry) + 1) {
        entries.emplace_back(entry);
    }
    FreeEnvironmentStringsA(strings);
    return entries;
}

// A copy of one of the tool's standard handles that the child can inherit; the original may
// not be inheritable. Returns the original when it cannot be copied (no such handle).
HANDLE inheritableCopy(DWORD standardHandle) {
    const HANDLE original = GetStdHandle(standardHandle);
    HANDLE copy = nullptr;
    if (original == nullptr || original == INVALID_HANDLE_VALUE ||
        DuplicateHandle(GetCurrentProcess(), original, GetCurrentProcess(), &copy, 0, TRUE,
                        DUPLICATE_SAME_ACCESS) == 0) {
        return original;
    }
    return copy;
}

void closeCopy(HANDLE copy, DWORD standardHandle) {
    if (copy != GetStdHandle(standardHandle)) {
        CloseHandle(copy);
    }
}

// Starts pnputil with the command line, its standard output the write end of a new pipe and its
// standard input and error the tool's own; returns the process, or nullptr.
HANDLE startPnputil(const std::string& commandLine, HANDLE outputWriteEnd) {
    const std::string folder = folderFrom(GetSystemDirectoryA);
    const std::string windowsFolder = folderFrom(GetSystemWindowsDirectoryA);
    if (folder.empty() || windowsFolder.empty()) {
        return nullptr;
    }
    const std::string program = folder + PNPUTIL_FILE_NAME;
    std::vector<char> mutableCommandLine(commandLine.begin(), commandLine.end());
    mutableCommandLine.push_back('\0');
    std::vector<char> environment =
        pnputilEnvironmentBlock(toolEnvironment(), folder, windowsFolder);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritableCopy(STD_INPUT_HANDLE);
    startup.hStdOutput = outputWriteEnd;
    startup.hStdError = inheritableCopy(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessA(program.c_str(), mutableCommandLine.data(), nullptr, nullptr,
                                   TRUE, 0, environment.data(), folder.c_str(), &startup, &started);
    closeCopy(startup.hStdInput, STD_INPUT_HANDLE);
    closeCopy(startup.hStdError, STD_ERROR_HANDLE);
    if (ok == 0) {
        return nullptr;
    }
    CloseHandle(started.hThread);
    return started.hProcess;
}

} // namespace

PipeHandle openCommandPipe(const std::string& commandLine) {
    // Only the write end is inherited: the child must not hold the read end open.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (CreatePipe(&readEnd, &writeEnd, &inheritable, 0) == 0) {
        return nullptr;
    }
    const HANDLE process = SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0) != 0
                               ? startPnputil(commandLine, writeEnd)
                               : nullptr;
    CloseHandle(writeEnd); // the output ends when the child's copy closes
    if (process == nullptr) {
        CloseHandle(readEnd);
        return nullptr;
    }
    return new WindowsPipe{readEnd, process};
}

size_t readCommandPipe(PipeHandle handle, char* buffer, size_t size) {
    // The pipe's own bytes, with no C runtime stream between: the text mode is the reader's.
    DWORD got = 0;
    const BOOL ok = ReadFile(static_cast<WindowsPipe*>(handle)->output, buffer,
                             static_cast<DWORD>(size), &got, nullptr);
    return ok != 0 ? got : 0;
}

int32_t closeCommandPipe(PipeHandle handle) {
    auto* pipe = static_cast<WindowsPipe*>(handle);
    // Closed first, so that a command still writing is not left waiting for a reader.
    CloseHandle(pipe->output);
    DWORD status = 0;
    const bool known = WaitForSingleObject(pipe->process, INFINITE) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(pipe->process, &status) != 0;
    CloseHandle(pipe->process);
    delete pipe;
    // All 32 bits of the exit code: 0xE000023C arrives whole.
    return known ? static_cast<int32_t>(status) : -1;
}
