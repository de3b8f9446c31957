#include "command_pipe.h"

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

PipeHandle openCommandPipe(const std::string& commandLine) {
    // The tool exists to run the utility through the command interpreter; only vetted names
    // reach a command line.
    return popen(commandLine.c_str(), "r"); // NOLINT(cert-env33-c)
}

size_t readCommandPipe(PipeHandle handle, char* buffer, size_t size) {
    // Straight from the pipe, past stdio's buffer. The tool sets no signal handlers, so a read is
    // never interrupted (EINTR).
    const ssize_t got = read(fileno(static_cast<FILE*>(handle)), buffer, size);
    return got > 0 ? static_cast<size_t>(got) : 0;
}

int32_t closeCommandPipe(PipeHandle handle) {
    const int status = pclose(static_cast<FILE*>(handle));
    // pclose's own failure (-1) reads as no normal exit too.
    if (!WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}
