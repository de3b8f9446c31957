#pragma once

#include "text.h"

#include <functional>
#include <string_view>

// Standard output, written in two ways. Production code uses systemConsole(); tests substitute
// recording functions.
struct ConsoleSeam {
    // Writes the tool's text. Where standard output is a console (on POSIX, a terminal) it shows
    // as characters (readableUtf8), whatever the console's code page; written anywhere else, it
    // is the bytes codePage932Bytes gives.
    std::function<void(const Text& text)> writeText;
    // Writes bytes of a utility's output as they stand: a console reads them in its own code
    // page, as the utility meant them.
    std::function<void(std::string_view bytes)> relayBytes;
};

// The process's standard output, a console or not as it is when this is called.
ConsoleSeam systemConsole();
