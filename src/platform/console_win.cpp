#include "console.h"

#include "code_page_win.h"

#include <cstdio>
#include <string>

namespace {

// The bytes as the C runtime's text mode writes them to a console, each "\n" as "\r\n". Neither
// byte is ever part of a code page 932 character.
std::string withCarriageReturns(std::string_view bytes) {
    std::string written;
    written.reserve(bytes.size() + bytes.size() / 16);
    for (const char c : bytes) {
        if (c == '\n') {
            written += '\r';
        }
        written += c;
    }
    return written;
}

void writeBytes(HANDLE console, const std::string& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        DWORD wrote = 0;
        if (WriteFile(console, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &wrote,
                      nullptr) == 0 ||
            wrote == 0) {
            return;
        }
        at += wrote;
    }
}

// Decoded as MessageBoxA decodes text on a Japanese Windows: every byte, valid or not, gives the
// characters it gives there.
void writeCharacters(HANDLE console, std::string_view text) {
    std::wstring wide;
    decodeToWide(CODE_PAGE_932, 0, withCarriageReturns(text), wide);
    size_t at = 0;
    while (at < wide.size()) {
        DWORD wrote = 0;
        if (WriteConsoleW(console, wide.data() + at, static_cast<DWORD>(wide.size() - at), &wrote,
                          nullptr) == 0 ||
            wrote == 0) {
            return;
        }
        at += wrote;
    }
}

// A pipe or a file: the C runtime's stream, as before, so that every byte stays what it was.
void writeToStream(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

} // namespace

ConsoleSeam systemConsole() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode) == 0) {
        return {writeToStream, writeToStream};
    }
    // Straight to the console, with no C runtime stream between to convert or reorder.
    return {[output](std::string_view text) { writeCharacters(output, text); },
            [output](std::string_view bytes) { writeBytes(output, withCarriageReturns(bytes)); }};
}
