#pragma once

#include <algorithm>
#include <string>
#include <vector>

// The chunks the tool hands to the scanner: reads of at most 1022 bytes that stop after a line
// feed, each cut at its first zero byte.
inline std::vector<std::string> listingReads(const std::string& listing) {
    constexpr size_t READ_LIMIT = 1022;
    std::vector<std::string> reads;
    for (size_t at = 0; at < listing.size();) {
        size_t end = listing.find('\n', at);
        end = end == std::string::npos ? listing.size() : end + 1;
        end = std::min(end, at + READ_LIMIT);
        const std::string read = listing.substr(at, end - at);
        reads.push_back(read.substr(0, read.find('\0')));
        at = end;
    }
    return reads;
}
