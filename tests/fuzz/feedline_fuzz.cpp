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
#include <string_view>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// References collapsed by the plain rule: after each replacement the search goes on from the
// '&' that is left, the earliest place where a new "&amp;" can begin.
std::string collapsedReferences(std::string text) {
    for (size_t at = text.find("&amp;"); at != std::string::npos; at = text.find("&amp;", at)) {
        text.erase(at + 1, 4);
    }
    return text;
}

// Where the next Device start tag at or after `at` begins, however its attributes are written.
size_t nextStartTag(const std::string& text, size_t at) {
    while ((at = text.find("<Device", at)) != std::string::npos &&
           std::string_view(" \t\r\n>/").find(text.c_str()[at + 7]) == std::string_view::npos) {
        ++at;
    }
    return at;
}

// Whether the listing, apart from the scanner, holds a block that gives the device all three
// fields: a start tag whose attribute is the instance id, and both elements after it and before
// the next "</Device>" or start tag (of any spelling). The whole listing is collapsed at once: no
// reference runs across the '<', '>' or '"' that bound a tag's text, so that reads as collapsing
// chunk by chunk.
bool takenFromOneBlock(const std::string& collapsedListing, const CurrentDevice& device) {
    const std::string startTag = "<Device InstanceId=\"" + device.instanceId + "\">";
    for (size_t at = collapsedListing.find(startTag); at != std::string::npos;
         at = collapsedListing.find(startTag, at + 1)) {
        const size_t from = at + startTag.size();
        const size_t to = std::min(collapsedListing.find("</Device>", at),
                                   nextStartTag(collapsedListing, at + 1));
        const auto inBlock = [&](const std::string& element) {
            const size_t found = collapsedListing.find(element, from);
            return found != std::string::npos && found + element.size() <= to;
        };
        if (inBlock("<DeviceDescription>" + device.description + "</DeviceDescription>") &&
            inBlock("<DriverName>" + device.driverName + "</DriverName>")) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ListingScanner scanner;
    ListingResults results;
    std::ostringstream out;
    const std::string listing(reinterpret_cast<const char*>(data), size);
    std::string collapsedListing; // made when the first device completes
    for (const std::string& chunk : pipeReads(listing, LISTING_READ_LIMIT)) {
        const size_t printedBefore = out.str().size();
        const int32_t foundBefore = results.foundCount;
        const size_t confirmedBefore = results.confirmText.size();
        feedLine(scanner, chunk, results, out);
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
        }
        require(device.instanceId.find("\">") == std::string::npos, "instance id ends at \">");
        if (collapsedListing.empty()) {
            collapsedListing = collapsedReferences(listing);
        }
        require(takenFromOneBlock(collapsedListing, device),
                "instance id, description and driver name come from one block of the listing");
        require(printed == "\"" + device.instanceId + "\",\"" + device.description + "\",\"" +
                               device.driverName + "\"\n",
                "device line has the form \"id\",\"description\",\"driver\"");
        require(results.driverNames.back() == device.driverName, "driver name queued");
        require(results.confirmText.substr(confirmedBefore) ==
                    "\"" + device.description + "\",\"" + device.driverName + "\"\n",
                "confirmation line appended");
    }
    return 0;
}
