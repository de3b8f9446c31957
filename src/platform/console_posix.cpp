#include "console.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

void writeToStream(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

} // namespace

ConsoleSeam systemConsole() {
    // A terminal shows UTF-8, as the console message box does.
    const bool terminal = isatty(STDOUT_FILENO) != 0;
    return {[terminal](const Text& text) {
                writeToStream(terminal ? readableUtf8(text) : codePage932Bytes(text));
            },
            writeToStream};
}
