#include "command_pipe.h"

#include <cstdio>

PipeHandle openCommandPipe(const std::string& commandLine, const char* mode) {
    return _popen(commandLine.c_str(), mode);
}

bool readCommandPipeChunk(PipeHandle handle, char* buffer, int limit) {
    return std::fgets(buffer, limit, static_cast<FILE*>(handle)) != nullptr;
}

int32_t closeCommandPipe(PipeHandle handle) {
    // _pclose returns the interpreter's 32-bit exit code, or -1.
    return static_cast<int32_t>(_pclose(static_cast<FILE*>(handle)));
}
