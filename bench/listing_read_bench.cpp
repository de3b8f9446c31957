// The tool's own cost of reading a listing, with the pipe left out: the listing is served from
// memory in raw reads of RAW_READ_SIZE bytes, with "\r\n" line ends as pnputil writes them.
//   read_listing: the tool's reading, text mode, passing over lines and the scanner;
//   every_chunk:  every chunk cut and handed to the scanner, nothing passed over, for comparison;
//   touch_bytes:  one memchr over the listing, the least that looks at every byte.
#include "app/main_sequence.h"
#include "listing/listing_scanner.h"
#include "listing_shapes.h"
#include "platform/output_reader.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

std::string listingOf(ListingShape shape, int devices) {
    std::string listing;
    generateListing(shape, devices, "\r\n", [&](const std::string& text) { listing += text; });
    return listing;
}

struct MemoryOutput {
    const std::string* bytes;
    size_t at = 0;
};

CommandPipe memoryPipe() {
    CommandPipe pipe;
    pipe.read = [](PipeHandle handle, char* buffer, size_t size) {
        auto& output = *static_cast<MemoryOutput*>(handle);
        const size_t got = output.bytes->copy(buffer, size, output.at);
        output.at += got;
        return got;
    };
    return pipe;
}

template <typename Read>
void measure(benchmark::State& state, ListingShape shape, int devices, Read read) {
    const std::string listing = listingOf(shape, devices);
    const CommandPipe pipe = memoryPipe();
    for (auto _ : state) {
        MemoryOutput output{&listing};
        OutputReader reader = startReading(pipe, &output);
        ReadBuffer buffer{};
        ListingScanner scanner;
        ListingResults results;
        std::string out;
        const ConsoleSeam console{[&out](const Text& text) { out += codePage932Bytes(text); },
                                  nullptr};
        read(reader, buffer, scanner, results, console);
        benchmark::DoNotOptimize(results.foundCount);
    }
    state.SetBytesProcessed(static_cast<int64_t>(listing.size() * state.iterations()));
}

void read_listing(benchmark::State& state, ListingShape shape, int devices) {
    measure(state, shape, devices, readListing);
}

void every_chunk(benchmark::State& state, ListingShape shape, int devices) {
    measure(state, shape, devices,
            [](OutputReader& reader, ReadBuffer& buffer, ListingScanner& scanner,
               ListingResults& results, const ConsoleSeam& console) {
                std::string_view chunk;
                while (readChunk(reader, buffer.data(), LISTING_READ_LIMIT, chunk)) {
                    feedLine(scanner, chunk, results, console);
                }
            });
}

void touch_bytes(benchmark::State& state, ListingShape shape, int devices) {
    const std::string listing = listingOf(shape, devices);
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::memchr(listing.data(), '\x1A', listing.size()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(listing.size() * state.iterations()));
}

} // namespace

BENCHMARK_CAPTURE(touch_bytes, realistic_100000_devices, ListingShape::Realistic, 100000);
BENCHMARK_CAPTURE(every_chunk, realistic_100000_devices, ListingShape::Realistic, 100000);
BENCHMARK_CAPTURE(read_listing, realistic_1000_devices, ListingShape::Realistic, 1000);
BENCHMARK_CAPTURE(read_listing, realistic_100000_devices, ListingShape::Realistic, 100000);
BENCHMARK_CAPTURE(read_listing, machine_100000_devices, ListingShape::Machine, 100000);
BENCHMARK_CAPTURE(read_listing, hostile_6000_devices, ListingShape::Hostile, 6000);

BENCHMARK_MAIN();
