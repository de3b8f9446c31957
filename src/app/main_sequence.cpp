#include "main_sequence.h"

#include "app/messages.h"
#include "deletion/deletion_phase.h"
#include "listing/listing_scanner.h"
#include "platform/pnputil.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

namespace {

void printBanner() {
    std::printf("%s\n", std::string(BANNER_WIDTH, '=').c_str());
    std::printf("%s\n\n", BANNER_TITLE_LINE);
}

} // namespace

int runTool(const CommandPipe& pipe, const MessageSeam& showMessage) {
    printBanner();
    const PipeHandle listing = pipe.open(LISTING_COMMAND, PIPE_READ_TEXT);
    if (listing == nullptr) {
        showMessage(MSG_TOOL_NOT_RUNNABLE, CAPTION_ERROR, BoxKind::Ok);
        return TOOL_EXIT_STATUS;
    }
    std::printf("%s", MSG_RETRIEVING);

    ReadBuffer readBuffer{};
    ListingScanner scanner;
    ListingResults results;
    while (pipe.readChunk(listing, readBuffer.data(), LISTING_READ_LIMIT)) {
        // A zero byte in the output ends the chunk, as it ends the C string that was read.
        feedLine(scanner, std::string_view(readBuffer.data()), results, std::cout);
    }

    if (results.foundCount == 0) {
        showMessage(MSG_NONE_FOUND, CAPTION_ERROR, BoxKind::Ok);
    } else {
        results.confirmText += MSG_CONFIRM_QUESTION;
        if (showMessage(results.confirmText, CAPTION_CONFIRM, BoxKind::YesNo) == ANSWER_YES) {
            runDeletionPhase(results.driverNames, results.foundCount, readBuffer, pipe,
                             showMessage);
        }
    }
    // Closed only after the last box: the listing command's status is not examined.
    pipe.close(listing);
    return TOOL_EXIT_STATUS;
}
