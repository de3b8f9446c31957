// Fuzz target: arbitrary listings, arriving in raw reads of arbitrary sizes, read chunk by chunk,
// must give the chunks that text mode gives by its plain rule and keep the scanner's invariants
// after every chunk; and the tool's own reading, which passes over lines, must give the same
// devices, collections and scanner as that plain reading. The first four bytes of an input choose
// the sizes of the raw reads; the rest is the listing. Built with libFuzzer by scripts/fuzz, and
// without it as a test that replays the kept corpus (replay_main.cpp).
#include "app/main_sequence.h"
#include "listing/listing_scanner.h"
#include "platform/pnputil.h"
#include "support/fake_seams.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

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

size_t textSize(const Text& text) {
    size_t size = 0;
    for (const TextRun& run : text.runs) {
        size += run.bytes.size();
    }
    return size;
}

// The last size bytes of the text's runs, taken without copying the rest.
std::string lastBytes(const Text& text, size_t size) {
    std::string bytes;
    for (auto run = text.runs.rbegin(); run != text.runs.rend() && bytes.size() < size; ++run) {
        const size_t take = std::min(size - bytes.size(), run->bytes.size());
        bytes.insert(0, run->bytes, run->bytes.size() - take, take);
    }
    return bytes;
}

// The chunks of the listing by the plain rule of text mode, one byte at a time: the output ends at
// 0x1A, "\r\n" becomes "\n", and a chunk ends after its '\n' or at LISTING_CHUNK_MAX bytes; its
// text ends at its first zero byte.
std::vector<std::string> textModeChunks(const std::string& listing) {
    const std::string output = listing.substr(0, listing.find('\x1A'));
    std::vector<std::string> chunks;
    std::string chunk;
    for (size_t i = 0; i < output.size(); ++i) {
        if (output[i] == '\r' && i + 1 < output.size() && output[i + 1] == '\n') {
            continue;
        }
        chunk += output[i];
        if (output[i] == '\n' || chunk.size() == LISTING_CHUNK_MAX) {
            chunks.push_back(chunk.substr(0, chunk.find('\0')));
            chunk.clear();
        }
    }
    if (!chunk.empty()) {
        chunks.push_back(chunk.substr(0, chunk.find('\0')));
    }
    return chunks;
}

// Sizes from 1 byte to a whole raw read, small ones most often, so that reads cut lines anywhere.
std::vector<size_t> readSizesFrom(const uint8_t* bytes) {
    std::vector<size_t> sizes;
    for (int i = 0; i < 4; ++i) {
        const size_t b = bytes[i];
        sizes.push_back(b < 64 ? b + 1 : b < 192 ? (b - 63) * 16 : RAW_READ_SIZE);
    }
    return sizes;
}

// Every chunk to the scanner, checking its invariants after each.
ListingOutcome readEveryChunk(OutputReader& reader, const std::string& listing,
                              ListingScanner& scanner, ListingResults& results, FakeConsole& out) {
    ListingOutcome outcome;
    ReadBuffer buffer{};
    std::string_view chunk;
    std::string collapsedListing; // made when the first device completes
    std::vector<std::string> chunks;
    const ConsoleSeam console = out.seam();
    while (readChunk(reader, buffer.data(), LISTING_READ_LIMIT, chunk)) {
        chunks.emplace_back(chunk);
        outcome.wroteAnything = true;
        outcome.heldRoot =
            outcome.heldRoot || chunk.find(LISTING_ROOT_START_TAG) != std::string_view::npos;
        const size_t printedBefore = out.written.size();
        const int32_t foundBefore = results.foundCount;
        const size_t confirmedBefore = textSize(results.confirmText);
        feedLine(scanner, chunk, results, console);
        require(results.foundCount == static_cast<int32_t>(results.driverNames.size()),
                "foundCount equals the number of driver names");
        const std::string printed = out.written.substr(printedBefore);
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
        // The line gives the listing's own three fields, the description in the encoding that
        // the edge decides; the confirmation line is the same without the instance id.
        const std::string confirmation =
            "\"" + device.description + "\",\"" + device.driverName + "\"\n";
        require(printed == "\"" + device.instanceId + "\"," + confirmation,
                "device line has the form \"id\",\"description\",\"driver\"");
        require(results.driverNames.back() == device.driverName, "driver name queued");
        require(textSize(results.confirmText) == confirmedBefore + confirmation.size() &&
                    lastBytes(results.confirmText, confirmation.size()) == confirmation,
                "confirmation line appended");
    }
    require(chunks == textModeChunks(listing), "the chunks that text mode gives");
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    const std::vector<size_t> readSizes = readSizesFrom(data);
    const std::string listing(reinterpret_cast<const char*>(data) + 4, size - 4);
    struct Reading {
        ScriptedOutput output;
        CommandPipe pipe;
        ListingScanner scanner;
        ListingResults results;
        FakeConsole out;
        ListingOutcome outcome;
    } plain, passingOver;
    for (Reading* r : {&plain, &passingOver}) {
        r->output = {listing, readSizes};
        r->pipe.read = [r](PipeHandle, char* buffer, size_t room) {
            return readScripted(r->output, buffer, room);
        };
    }
    OutputReader plainReader = startReading(plain.pipe, nullptr);
    plain.outcome = readEveryChunk(plainReader, listing, plain.scanner, plain.results, plain.out);
    OutputReader reader = startReading(passingOver.pipe, nullptr);
    ReadBuffer buffer{};
    passingOver.outcome = readListing(reader, buffer, passingOver.scanner, passingOver.results,
                                      passingOver.out.seam());

    require(passingOver.out.written == plain.out.written, "the same device lines");
    require(passingOver.results.driverNames == plain.results.driverNames &&
                passingOver.results.confirmText == plain.results.confirmText &&
                passingOver.results.foundCount == plain.results.foundCount,
            "the same collections");
    const CurrentDevice& a = passingOver.scanner.current;
    const CurrentDevice& b = plain.scanner.current;
    require(passingOver.scanner.state == plain.scanner.state && a.instanceId == b.instanceId &&
                a.description == b.description && a.driverName == b.driverName,
            "the same scanner at the end");
    require(passingOver.outcome.wroteAnything == plain.outcome.wroteAnything &&
                passingOver.outcome.heldRoot == plain.outcome.heldRoot,
            "the same outcome");
    return 0;
}
