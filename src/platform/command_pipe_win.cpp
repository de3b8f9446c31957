#include "command_pipe.h"

#include <windows.h>

#include <cstdio>

namespace {

// The command interpreter looks for a program in the current folder before the search path.
// The tool runs elevated, so it makes the system folder current: the first look then finds the
// system's own pnputil.exe, never one planted where the tool was started.
bool enterSystemFolder() {
    char folder[MAX_PATH + 1];
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder && SetCurrentDirectoryA(folder) != 0;
}

} // namespace

PipeHandle openCommandPipe(const std::string& commandLine, const char* mode) {
    if (!enterSystemFolder()) {
        return nullptr;
    }
    return _popen(commandLine.c_str(), mode);
}

bool readCommandPipeChunk(PipeHandle handle, char* buffer, int limit) {
    return std::fgets(buffer, limit, static_cast<FILE*>(handle)) != nullptr;
}

int32_t closeCommandPipe(PipeHandle handle) {
    // _pclose returns the interpreter's 32-bit exit code, or -1.
    return static_cast<int32_t>(_pclose(static_cast<FILE*>(handle)));
}
