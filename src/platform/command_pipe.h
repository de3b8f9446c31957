#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The buffer that every chunk of a run is read into.
constexpr int READ_BUFFER_SIZE = 1024;
using ReadBuffer = std::array<char, READ_BUFFER_SIZE>;

// Opaque handle of an open command pipe; nullptr means the command could not be started.
using PipeHandle = void*;

// What differs between the platforms in running a command and reading its standard output: the
// start, a raw read and the wait for the exit status. How the output is read as text is the same
// on every platform (output_reader.h). Production code uses systemCommandPipe(); tests
// substitute scripted functions.
struct CommandPipe {
    // Starts commandLine with its standard output on a pipe. Windows starts the system folder's
    // pnputil.exe itself, with commandLine as its command line; POSIX runs it through the shell.
    std::function<PipeHandle(const std::string& commandLine)> open;
    // Reads at most size bytes of the output, as many as have come, waiting for the first.
    // Returns the count; 0 once the output has ended or cannot be read.
    std::function<size_t(PipeHandle handle, char* buffer, size_t size)> read;
    // Stops reading and waits for the command; returns its exit status, or -1 when none can be
    // had.
    std::function<int32_t(PipeHandle handle)> close;
};

PipeHandle openCommandPipe(const std::string& commandLine);
size_t readCommandPipe(PipeHandle handle, char* buffer, size_t size);
int32_t closeCommandPipe(PipeHandle handle);

inline CommandPipe systemCommandPipe() {
    return CommandPipe{openCommandPipe, readCommandPipe, closeCommandPipe};
}
