// Throughput of the listing scanner on whole listings, read in chunks as the tool reads them.
#include "app/main_sequence.h"
#include "listing/listing_scanner.h"
#include "listing_shapes.h"
#include "support/pipe_reads.h"

#include <benchmark/benchmark.h>

#include <sstream>
#include <vector>

namespace {

std::vector<std::string> readsOf(ListingShape shape, int devices) {
    std::string listing;
    // The scanner sees the lines after the pipe's text mode has made "\r\n" into "\n".
    generateListing(shape, devices, "\n", [&](const std::string& text) { listing += text; });
    return pipeReads(listing, LISTING_READ_LIMIT);
}

void scan(benchmark::State& state, ListingShape shape, int devices) {
    const std::vector<std::string> chunks = readsOf(shape, devices);
    size_t bytes = 0;
    for (const std::string& chunk : chunks) {
        bytes += chunk.size();
    }
    for (auto _ : state) {
        ListingScanner scanner;
        ListingResults results;
        std::ostringstream out;
        for (const std::string& chunk : chunks) {
            feedLine(scanner, chunk, results, out);
        }
        benchmark::DoNotOptimize(results.foundCount);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes * state.iterations()));
}

} // namespace

BENCHMARK_CAPTURE(scan, realistic_1000_devices, ListingShape::Realistic, 1000);
BENCHMARK_CAPTURE(scan, realistic_100000_devices, ListingShape::Realistic, 100000)->Iterations(5);
BENCHMARK_CAPTURE(scan, hostile_6000_devices, ListingShape::Hostile, 6000)->Iterations(5);

BENCHMARK_MAIN();
