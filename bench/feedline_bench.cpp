// Per-line cost of reading a listing as the tool reads it: each line cut from the output by its
// '\n', copied into the read buffer and handed on. The listing is in memory, so no pipe or
// process is measured.
//   cut:            cutting and copying alone;
//   cut_and_search: plus a search of every line for the target's vendor, the least that a
//                   scanner can do with a line outside a device block;
//   scan:           plus the listing scanner itself.
#include "app/main_sequence.h"
#include "listing/listing_scanner.h"
#include "listing_shapes.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>

namespace {

constexpr std::string_view VENDOR = "USB\\VID_04B4";

std::string listingOf(ListingShape shape, int devices) {
    std::string listing;
    // The lines as the tool reads them, after the pipe's text mode has made "\r\n" into "\n".
    generateListing(shape, devices, "\n", [&](const std::string& text) { listing += text; });
    return listing;
}

// Cuts the listing into the chunks that the tool reads, through one buffer, and hands each to
// look; returns the number of chunks. It does what the POSIX pipe reader does for each line (a
// search bounded by the room left, then a copy), not the tests' readEnd, which is 3 ns a line
// slower and would overstate the cost.
template <typename Look> size_t cutListing(const std::string& listing, Look look) {
    ReadBuffer buffer{};
    size_t chunks = 0;
    for (size_t at = 0; at < listing.size(); ++chunks) {
        const char* from = listing.data() + at;
        const size_t window = std::min(listing.size() - at, LISTING_CHUNK_MAX);
        const auto* newline = static_cast<const char*>(std::memchr(from, '\n', window));
        const size_t take = newline != nullptr ? static_cast<size_t>(newline - from) + 1 : window;
        std::memcpy(buffer.data(), from, take);
        at += take;
        look(std::string_view(buffer.data(), take));
    }
    return chunks;
}

template <typename Look>
void measure(benchmark::State& state, ListingShape shape, int devices, Look look) {
    const std::string listing = listingOf(shape, devices);
    size_t lines = 0;
    for (auto _ : state) {
        lines = cutListing(listing, look);
    }
    state.SetBytesProcessed(static_cast<int64_t>(listing.size() * state.iterations()));
    state.counters["line"] =
        benchmark::Counter(static_cast<double>(lines * state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void cut(benchmark::State& state, ListingShape shape, int devices) {
    measure(state, shape, devices,
            [](std::string_view chunk) { benchmark::DoNotOptimize(chunk.back()); });
}

void cut_and_search(benchmark::State& state, ListingShape shape, int devices) {
    size_t found = 0;
    measure(state, shape, devices, [&](std::string_view chunk) {
        found += chunk.find(VENDOR) != std::string_view::npos ? 1 : 0;
    });
    benchmark::DoNotOptimize(found);
}

void scan(benchmark::State& state, ListingShape shape, int devices) {
    ListingScanner scanner;
    ListingResults results;
    std::ostringstream out;
    measure(state, shape, devices,
            [&](std::string_view chunk) { feedLine(scanner, chunk, results, out); });
    benchmark::DoNotOptimize(results.foundCount);
}

} // namespace

BENCHMARK_CAPTURE(cut, realistic_100000_devices, ListingShape::Realistic, 100000);
BENCHMARK_CAPTURE(cut_and_search, realistic_100000_devices, ListingShape::Realistic, 100000);
BENCHMARK_CAPTURE(scan, realistic_1000_devices, ListingShape::Realistic, 1000);
BENCHMARK_CAPTURE(scan, realistic_100000_devices, ListingShape::Realistic, 100000);
BENCHMARK_CAPTURE(scan, hostile_6000_devices, ListingShape::Hostile, 6000);

BENCHMARK_MAIN();
