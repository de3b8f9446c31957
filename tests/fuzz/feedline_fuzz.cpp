// libFuzzer target: arbitrary listings, read in chunks as the tool reads them, must keep the
// scanner's invariants after every chunk.
#include "app/main_sequence.h"
#include "listing/listing_scanner.h"
#include "support/pipe_reads.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ListingScanner scanner;
    ListingResults results;
    std::ostringstream out;
    // The same chunks collapsed beforehand: the scanner decides on raw chunks whether to look
    // closer, which must never differ from deciding on collapsed ones.
    ListingScanner collapsedScanner;
    ListingResults collapsedResults;
    std::ostringstream collapsedOut;
    const std::string listing(reinterpret_cast<const char*>(data), size);
    for (const std::string& chunk : pipeReads(listing, LISTING_READ_LIMIT)) {
        const size_t printedBefore = out.str().size();
        const int32_t foundBefore = results.foundCount;
        feedLine(scanner, chunk, results, out);
        std::string collapsed = chunk;
        collapseAmpersands(collapsed);
        feedLine(collapsedScanner, collapsed, collapsedResults, collapsedOut);
        require(collapsedScanner.state == scanner.state && collapsedOut.str() == out.str() &&
                    collapsedResults.confirmText == results.confirmText,
                "raw and collapsed chunks are read alike");

        require(static_cast<int>(scanner.state) >= 0 && static_cast<int>(scanner.state) <= 3,
                "state is one of the four");
        require(results.foundCount == static_cast<int32_t>(results.driverNames.size()),
                "foundCount equals the number of driver names");
        const std::string printed = out.str().substr(printedBefore);
        if (results.foundCount == foundBefore) {
            require(printed.empty(), "no device line without a completed device");
            continue;
        }
        require(results.foundCount == foundBefore + 1, "at most one device per chunk");
        require(scanner.state == ScanState::Outside, "a completed device leaves the block");
        const CurrentDevice& device = scanner.current;
        require(device.instanceId.rfind(TARGET_ID_PREFIX, 0) == 0, "instance id has the prefix");
        for (const std::string* field :
             {&device.instanceId, &device.description, &device.driverName}) {
            require(field->find('\n') == std::string::npos, "fields hold no line break");
            require(field->find("&amp;") == std::string::npos, "references are collapsed");
        }
        require(device.instanceId.find("\">") == std::string::npos, "instance id ends at \">");
        require(printed == "\"" + device.instanceId + "\",\"" + device.description + "\",\"" +
                               device.driverName + "\"\n",
                "device line has the form \"id\",\"description\",\"driver\"");
        require(results.driverNames.back() == device.driverName, "driver name queued");
        require(endsWith(results.confirmText,
                         "\"" + device.description + "\",\"" + device.driverName + "\"\n"),
                "confirmation line appended");
    }
    return 0;
}
