// libFuzzer target: arbitrary listings, read in chunks as the tool reads them, must keep the
// scanner's invariants after every chunk.
#include "app/main_sequence.h"
#include "listing/listing_scanner.h"
#include "support/pipe_reads.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

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

// What the listing's bytes say, worked out apart from the scanner: each block is a start tag's
// instance id (its attribute from the opening quote to the first "\">") and the values of the
// description and driver name elements that stand wholly after that and before the next
// "</Device>" or start tag. Values are collapsed by the plain restarting rule.
struct ListingBlock {
    std::string instanceId;
    std::vector<std::string> descriptions;
    std::vector<std::string> driverNames;
};

std::string collapsedReferences(std::string text) {
    for (size_t at = text.find("&amp;"); at != std::string::npos; at = text.find("&amp;")) {
        text.erase(at + 1, 4);
    }
    return text;
}

std::vector<std::string> elementValues(const std::string& listing, size_t from, size_t to,
                                       const std::string& open, const std::string& close) {
    std::vector<std::string> values;
    for (size_t at = listing.find(open, from); at < to; at = listing.find(open, at + 1)) {
        const size_t valueAt = at + open.size();
        const size_t closeAt = listing.find(close, valueAt);
        if (closeAt != std::string::npos && closeAt + close.size() <= to) {
            values.push_back(collapsedReferences(listing.substr(valueAt, closeAt - valueAt)));
        }
    }
    return values;
}

std::vector<ListingBlock> blocksOf(const std::string& listing) {
    const std::string startTag = "<Device InstanceId=";
    std::vector<ListingBlock> blocks;
    for (size_t at = listing.find(startTag); at != std::string::npos;
         at = listing.find(startTag, at + 1)) {
        const size_t quoteAt = at + startTag.size();
        const size_t idEnd = listing.find("\">", quoteAt);
        const size_t blockEnd =
            std::min(listing.find("</Device>", quoteAt), listing.find(startTag, quoteAt));
        if (listing.compare(quoteAt, 1, "\"") != 0 || idEnd >= blockEnd) {
            continue;
        }
        blocks.push_back(
            {collapsedReferences(listing.substr(quoteAt + 1, idEnd - quoteAt - 1)),
             elementValues(listing, idEnd, blockEnd, "<DeviceDescription>", "</DeviceDescription>"),
             elementValues(listing, idEnd, blockEnd, "<DriverName>", "</DriverName>")});
    }
    return blocks;
}

bool takenFromOneBlock(const CurrentDevice& device, const std::vector<ListingBlock>& blocks) {
    const auto holds = [](const std::vector<std::string>& values, const std::string& value) {
        return std::find(values.begin(), values.end(), value) != values.end();
    };
    return std::any_of(blocks.begin(), blocks.end(), [&](const ListingBlock& block) {
        return block.instanceId == device.instanceId &&
               holds(block.descriptions, device.description) &&
               holds(block.driverNames, device.driverName);
    });
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
    std::vector<ListingBlock> blocks;
    bool blocksFound = false;
    for (const std::string& chunk : pipeReads(listing, LISTING_READ_LIMIT)) {
        const size_t printedBefore = out.str().size();
        const int32_t foundBefore = results.foundCount;
        feedLine(scanner, chunk, results, out);
        // A full read is known by its length, which collapsing would change: it goes as read.
        std::string collapsed = chunk;
        if (chunk.size() < LISTING_CHUNK_MAX) {
            collapseAmpersands(collapsed);
        }
        feedLine(collapsedScanner, collapsed, collapsedResults, collapsedOut);
        require(collapsedScanner.state == scanner.state && collapsedOut.str() == out.str() &&
                    collapsedResults.confirmText == results.confirmText,
                "raw and collapsed chunks are read alike");

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
        if (!blocksFound) {
            blocks = blocksOf(listing);
            blocksFound = true;
        }
        require(takenFromOneBlock(device, blocks),
                "instance id, description and driver name come from one block of the listing");
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
