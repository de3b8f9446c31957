#include "command_pipe.h"

#include <cstdio>
#include <cstring>
#include <sys/wait.h>

PipeHandle openCommandPipe(const std::string& commandLine, const char* mode) {
    // glibc rejects "rt" (EINVAL); POSIX pipes have no text mode, so "r" is the same read.
    const char* posixMode = std::strcmp(mode, "rt") == 0 ? "r" : mode;
    return popen(commandLine.c_str(), posixMode);
}

bool readCommandPipeChunk(PipeHandle handle, char* buffer, int limit) {
    return std::fgets(buffer, limit, static_cast<FILE*>(handle)) != nullptr;
}

int32_t closeCommandPipe(PipeHandle handle) {
    const int status = pclose(static_cast<FILE*>(handle));
    if (status == -1 || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}
