#include "main_sequence.h"

#include "app/messages.h"
#include "deletion/deletion_phase.h"
#include "platform/pnputil.h"

#include <string>
#include <string_view>
#include <vector>

namespace {

void printBanner(const ConsoleSeam& console) {
    console.writeText(toolText(std::string(BANNER_WIDTH, '=') + "\n"));
    console.writeText(toolText(std::string(BANNER_TITLE_LINE) + "\n\n"));
}

// The devices of the system's own device list, as the listing's would have been; false when the
// system gives none.
bool readSystemDevices(const DeviceListSeam& readDeviceList, ListingResults& results,
                       const ConsoleSeam& console) {
    std::vector<SystemDevice> devices;
    if (!readDeviceList(devices)) {
        return false;
    }
    for (const SystemDevice& device : devices) {
        addSystemDevice(device, results, console);
    }
    return true;
}

} // namespace

ListingOutcome readListing(OutputReader& reader, ReadBuffer& buffer, ListingScanner& scanner,
                           ListingResults& results, const ConsoleSeam& console) {
    ListingOutcome outcome;
    std::string_view chunk;
    for (;;) {
        const std::string_view needed = textALineNeeds(scanner);
        if (outcome.heldRoot && !needed.empty()) {
            passOverLinesWithout(reader, needed);
        }
        if (!readChunk(reader, buffer.data(), LISTING_READ_LIMIT, chunk)) {
            return outcome;
        }
        outcome.wroteAnything = true;
        outcome.heldRoot =
            outcome.heldRoot || chunk.find(LISTING_ROOT_START_TAG) != std::string_view::npos;
        feedLine(scanner, chunk, results, console);
    }
}

int runTool(const CommandPipe& pipe, const MessageSeam& showMessage, const ConsoleSeam& console,
            const DeviceListSeam& readDeviceList) {
    printBanner(console);
    const PipeHandle listing = pipe.open(LISTING_COMMAND);
    if (listing == nullptr) {
        showMessage(toolText(MSG_TOOL_NOT_RUNNABLE), CAPTION_ERROR, BoxKind::Ok);
        return TOOL_EXIT_STATUS;
    }
    console.writeText(toolText(MSG_RETRIEVING));

    ReadBuffer readBuffer{};
    OutputReader reader = startReading(pipe, listing);
    ListingScanner scanner;
    ListingResults results;
    const ListingOutcome outcome = readListing(reader, readBuffer, scanner, results, console);

    // Output that is no listing at all (an older pnputil's usage, say) had no list to look in:
    // the system's own list is read instead. A listing is never joined to it.
    if (results.foundCount == 0 && outcome.wroteAnything && !outcome.heldRoot &&
        !readSystemDevices(readDeviceList, results, console)) {
        showMessage(toolText(MSG_NO_DEVICE_LIST), CAPTION_ERROR, BoxKind::Ok);
    } else if (results.foundCount == 0) {
        showMessage(toolText(MSG_NONE_FOUND), CAPTION_ERROR, BoxKind::Ok);
    } else {
        appendToolText(results.confirmText, MSG_CONFIRM_QUESTION);
        if (showMessage(results.confirmText, CAPTION_CONFIRM, BoxKind::YesNo) == ANSWER_YES) {
            runDeletionPhase(results.driverNames, results.foundCount, readBuffer, pipe, showMessage,
                             console);
        }
    }
    // Closed only after the last box: the listing command's status is not examined.
    pipe.close(listing);
    return TOOL_EXIT_STATUS;
}
