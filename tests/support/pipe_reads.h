#pragma once

#include <algorithm>
#include <string>
#include <vector>

// Where a read of a command's output that starts at `at` ends, as fgets reads with the given
// limit (zero byte included): after a line feed, or at limit - 1 bytes.
inline size_t readEnd(const std::string& output, size_t at, size_t limit) {
    const size_t lineFeed = output.find('\n', at);
    return std::min(lineFeed == std::string::npos ? output.size() : lineFeed + 1, at + limit - 1);
}

// The chunks that the tool takes from a command's output: its reads, each ending at its first
// zero byte.
inline std::vector<std::string> pipeReads(const std::string& output, size_t limit) {
    std::vector<std::string> reads;
    for (size_t at = 0; at < output.size();) {
        const size_t end = readEnd(output, at, limit);
        const std::string read = output.substr(at, end - at);
        reads.push_back(read.substr(0, read.find('\0')));
        at = end;
    }
    return reads;
}
