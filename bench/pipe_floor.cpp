// The floor of the tool's whole run under Wine: pnputil started as the tool starts it, its
// listing read raw in the tool's read size and dropped, then one box, as the tool shows its first
// box once the listing has ended. The box tells the bytes read, so that a run can be checked.
#include "platform/command_pipe.h"
#include "platform/library_search.h"
#include "platform/message_box.h"
#include "platform/output_reader.h"
#include "platform/pnputil.h"

#include <string>
#include <vector>

int main() {
    // As the tool's main does, so that the box loads its libraries as the tool's box does.
    if (!loadLibrariesFromSystemFolderOnly()) {
        return 1;
    }
    const PipeHandle pipe = openCommandPipe(LISTING_COMMAND);
    if (pipe == nullptr) {
        return 1;
    }
    std::vector<char> buffer(RAW_READ_SIZE);
    unsigned long long total = 0;
    for (size_t got; (got = readCommandPipe(pipe, buffer.data(), buffer.size())) != 0;) {
        total += got;
    }
    closeCommandPipe(pipe);
    showMessage(toolText(std::to_string(total) + " bytes"), "Floor", BoxKind::Ok);
    return 0;
}
