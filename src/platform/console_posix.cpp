#include "console.h"

#include "code_page.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

void writeToStream(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// A terminal shows UTF-8, as the console message box does; where the C library cannot convert
// the text, it is written as it stands.
void writeCharacters(std::string_view text) {
    std::string shown;
    const std::string bytes(text);
    writeToStream(codePage932ToUtf8(bytes, shown) ? shown : bytes);
}

} // namespace

ConsoleSeam systemConsole() {
    if (isatty(STDOUT_FILENO) == 0) {
        return {writeToStream, writeToStream};
    }
    return {writeCharacters, writeToStream};
}
