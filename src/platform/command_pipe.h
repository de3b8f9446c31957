#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// The buffer that every pipe read of a run goes into.
constexpr int READ_BUFFER_SIZE = 1024;
using ReadBuffer = std::array<char, READ_BUFFER_SIZE>;

// Opaque handle of an open command pipe; nullptr means the command could not be started.
using PipeHandle = void*;

// The three operations through which a command line is run and its standard output read.
// Production code uses systemCommandPipe(); tests substitute scripted functions.
struct CommandPipe {
    // Runs commandLine; mode "rt" reads text. Windows starts the system folder's pnputil.exe
    // itself, with commandLine as its command line; POSIX runs it through the shell.
    std::function<PipeHandle(const std::string& commandLine, const char* mode)> open;
    // Reads at most limit - 1 bytes (limit at least 2), stopping after a '\n', zero-terminated
    // like fgets.
    // Returns false at the end of the output.
    std::function<bool(PipeHandle handle, char* buffer, int limit)> readChunk;
    // Waits for the command; returns its exit status, or -1 when none can be had.
    std::function<int32_t(PipeHandle handle)> close;
};

PipeHandle openCommandPipe(const std::string& commandLine, const char* mode);
bool readCommandPipeChunk(PipeHandle handle, char* buffer, int limit);
int32_t closeCommandPipe(PipeHandle handle);

inline CommandPipe systemCommandPipe() {
    return CommandPipe{openCommandPipe, readCommandPipeChunk, closeCommandPipe};
}
