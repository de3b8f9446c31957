#include "command_pipe.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Chunks are cut from large reads of the pipe rather than through stdio's buffer, which would
// cost a system call for every few KiB of a long listing; the chunks are the ones that fgets
// would return from the text-mode pipe. A read takes as much as the pipe can hold, where the
// system tells (Linux), so that one read empties it.
size_t readSize(FILE* file) {
#ifdef F_GETPIPE_SZ
    return static_cast<size_t>(std::max(fcntl(fileno(file), F_GETPIPE_SZ), BUFSIZ));
#else
    return BUFSIZ;
#endif
}

struct PosixPipe {
    FILE* file;
    std::vector<char> buffer;
    size_t begin = 0;
    size_t end = 0;
};

// Refills the empty buffer with the next block of the output; false once it has ended. The tool
// sets no signal handlers, so a read is never interrupted (EINTR).
bool refill(PosixPipe& pipe) {
    const ssize_t got = read(fileno(pipe.file), pipe.buffer.data(), pipe.buffer.size());
    pipe.begin = 0;
    pipe.end = static_cast<size_t>(std::max<ssize_t>(got, 0));
    return pipe.end > 0;
}

} // namespace

PipeHandle openCommandPipe(const std::string& commandLine, const char* mode) {
    // glibc rejects "rt" (EINVAL); POSIX pipes have no text mode, so "r" is the same read.
    const char* posixMode = std::strcmp(mode, "rt") == 0 ? "r" : mode;
    // The tool exists to run the utility through the command interpreter; only vetted names
    // reach a command line.
    FILE* file = popen(commandLine.c_str(), posixMode); // NOLINT(cert-env33-c)
    if (file == nullptr) {
        return nullptr;
    }
    return new PosixPipe{file, std::vector<char>(readSize(file))};
}

bool readCommandPipeChunk(PipeHandle handle, char* buffer, int limit) {
    // Text mode, as the Windows C runtime reads a pipe: "\r\n" becomes "\n" and a lone '\r'
    // stays. A chunk holds one '\n' at most, at its end, so the only '\r' it can drop is the one
    // right before that '\n'; the limit counts the bytes after the drop.
    auto& pipe = *static_cast<PosixPipe*>(handle);
    const size_t room = static_cast<size_t>(limit) - 1;
    size_t length = 0;
    for (;;) {
        // A '\r' taken last may yet pair with a '\n' at the start of the next block, or just past
        // the limit.
        const bool carriageReturnTaken = length != 0 && buffer[length - 1] == '\r';
        if ((length == room && !carriageReturnTaken) || (pipe.begin == pipe.end && !refill(pipe))) {
            break;
        }
        const char* from = pipe.buffer.data() + pipe.begin;
        if (carriageReturnTaken && *from == '\n') {
            buffer[length - 1] = '\n';
            ++pipe.begin;
            break;
        }
        if (length == room) {
            break;
        }
        const size_t window = std::min(pipe.end - pipe.begin, room - length);
        const auto* newline = static_cast<const char*>(std::memchr(from, '\n', window));
        const size_t take = newline != nullptr ? static_cast<size_t>(newline - from) + 1 : window;
        std::memcpy(buffer + length, from, take);
        length += take;
        pipe.begin += take;
        if (newline != nullptr) {
            if (newline != from && newline[-1] == '\r') { // a "\r\n" within this block
                buffer[length - 2] = '\n';
                --length;
            }
            break;
        }
    }
    buffer[length] = '\0';
    return length > 0;
}

int32_t closeCommandPipe(PipeHandle handle) {
    auto* pipe = static_cast<PosixPipe*>(handle);
    const int status = pclose(pipe->file);
    delete pipe;
    // pclose's own failure (-1) reads as no normal exit too.
    if (!WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}
