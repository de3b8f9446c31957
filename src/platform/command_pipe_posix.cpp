#include "command_pipe.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// A listing runs to tens of megabytes, so chunks are cut from large reads of the pipe rather
// than through stdio's page-sized buffer; the chunks are the ones fgets would return.
constexpr size_t PIPE_BUFFER_SIZE = size_t{64} * 1024;

struct PosixPipe {
    FILE* file;
    std::vector<char> buffer;
    size_t begin = 0;
    size_t end = 0;
    // A carriage return that ended the last block: dropped if the next block starts with '\n'.
    bool carriageReturnHeld = false;
};

// Text mode, as the Windows C runtime reads a pipe: "\r\n" becomes "\n", a lone '\r' stays.
// Returns the new length.
size_t dropCarriageReturnsBeforeLineFeeds(char* bytes, size_t size) {
    size_t read = 0;
    size_t write = 0;
    while (read < size) {
        const auto* carriageReturn =
            static_cast<const char*>(std::memchr(bytes + read, '\r', size - read));
        const size_t stop =
            carriageReturn != nullptr ? static_cast<size_t>(carriageReturn - bytes) : size;
        std::memmove(bytes + write, bytes + read, stop - read);
        write += stop - read;
        read = stop;
        if (read < size) {
            const bool beforeLineFeed = read + 1 < size && bytes[read + 1] == '\n';
            if (!beforeLineFeed) {
                bytes[write++] = '\r';
            }
            ++read;
        }
    }
    return write;
}

// Refills the empty buffer with the next block of text; false once the command's output has
// ended. The tool sets no signal handlers, so a read is never interrupted (EINTR).
bool refill(PosixPipe& pipe) {
    pipe.begin = 0;
    pipe.end = 0;
    while (pipe.end == 0) {
        const size_t held = pipe.carriageReturnHeld ? 1 : 0;
        pipe.carriageReturnHeld = false;
        pipe.buffer[0] = '\r'; // the held one; overwritten by the read when none is held
        const ssize_t got =
            read(fileno(pipe.file), pipe.buffer.data() + held, pipe.buffer.size() - held);
        if (got <= 0) {
            pipe.end = held;
            break;
        }
        pipe.end =
            dropCarriageReturnsBeforeLineFeeds(pipe.buffer.data(), held + static_cast<size_t>(got));
        if (pipe.buffer[pipe.end - 1] == '\r') {
            pipe.carriageReturnHeld = true;
            --pipe.end;
        }
    }
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
    return new PosixPipe{file, std::vector<char>(PIPE_BUFFER_SIZE)};
}

bool readCommandPipeChunk(PipeHandle handle, char* buffer, int limit) {
    auto& pipe = *static_cast<PosixPipe*>(handle);
    const size_t room = static_cast<size_t>(limit) - 1;
    size_t length = 0;
    while (length < room && (pipe.begin < pipe.end || refill(pipe))) {
        const char* from = pipe.buffer.data() + pipe.begin;
        const size_t available = std::min(pipe.end - pipe.begin, room - length);
        const auto* newline = static_cast<const char*>(std::memchr(from, '\n', available));
        const size_t take =
            newline != nullptr ? static_cast<size_t>(newline - from) + 1 : available;
        std::memcpy(buffer + length, from, take);
        length += take;
        pipe.begin += take;
        if (newline != nullptr) {
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
