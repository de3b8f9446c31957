#pragma once

#include "platform/command_pipe.h"

#include <string_view>
#include <vector>

// Every raw read of a command's output asks for this many bytes, into an empty part of the block.
constexpr size_t RAW_READ_SIZE = size_t{64} * 1024;
// Passing over lines carries at most this many bytes of a line that a raw read cut, ahead of the
// next read; a longer such line is read chunk by chunk instead.
constexpr size_t CARRIED_LINE_MAX = 4096;

// Reads a command's output as the Windows C runtime reads a pipe in text mode, on every platform:
// "\r\n" becomes "\n", also when the two bytes arrive in different reads; a lone '\r' stays; the
// byte 0x1A ends the output.
struct OutputReader {
    const CommandPipe* pipe = nullptr;
    PipeHandle handle = nullptr;
    std::vector<char> block; // raw bytes of the output; [begin, end) are not yet read
    size_t begin = 0;
    size_t end = 0;
    bool ended = false;      // the output has ended, or 0x1A came: no more raw reads
    bool atLineStart = true; // the next chunk begins a line
};

OutputReader startReading(const CommandPipe& pipe, PipeHandle handle);

// Reads the next chunk into buffer as fgets reads it: at most limit - 1 bytes (limit at least 2;
// fgets keeps a byte for the terminating zero) counted after the "\r\n" drop, ending after its
// '\n' or at the limit.
// Returns false at the end of the output. Otherwise text is the chunk up to its first zero byte,
// which ends the chunk as it ends the C string that fgets gives.
bool readChunk(OutputReader& reader, char* buffer, size_t limit, std::string_view& text);

// Where the next chunk would begin a line: passes over every whole line that does not hold
// `text` (not empty; no '\n', '\r' or 0x1A in it), inside the block, without cutting it into
// chunks, and stops at the start of the first line that holds it, of a line longer than
// CARRIED_LINE_MAX that a raw read cut, or at the end of the output. Elsewhere it does nothing.
// The chunks read after it are the ones that would have been read.
void passOverLinesWithout(OutputReader& reader, std::string_view text);
