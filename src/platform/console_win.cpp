#include "console.h"

#include "code_page_win.h"

#include <cstdio>
#include <string>

namespace {

// The bytes as the C runtime's text mode writes them to a console, each "\n" as "\r\n". Neither
// byte is ever part of a code page 932 or a UTF-8 character.
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

// Writes all of text with a call that may take it in parts; stops where the call fails.
template <typename Text, typename Write> void writeWhole(const Text& text, Write write) {
    size_t at = 0;
    DWORD wrote = 0;
    while (at < text.size() &&
           write(text.data() + at, static_cast<DWORD>(text.size() - at), &wrote) != 0 &&
           wrote > 0) {
        at += wrote;
    }
}

void writeBytes(HANDLE console, std::string_view bytes) {
    writeWhole(withCarriageReturns(bytes), [console](const char* at, DWORD size, DWORD* wrote) {
        return WriteFile(console, at, size, wrote, nullptr);
    });
}

// As characters: each run decoded by its own encoding (readableUtf8).
void writeCharacters(HANDLE console, const Text& text) {
    std::wstring wide;
    decodeToWide(CP_UTF8, 0, withCarriageReturns(readableUtf8(text)), wide);
    writeWhole(wide, [console](const wchar_t* at, DWORD size, DWORD* wrote) {
        return WriteConsoleW(console, at, size, wrote, nullptr);
    });
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
        return {[](const Text& text) { writeToStream(codePage932Bytes(text)); }, writeToStream};
    }
    // Straight to the console, with no C runtime stream between to convert or reorder.
    return {[output](const Text& text) { writeCharacters(output, text); },
            [output](std::string_view bytes) { writeBytes(output, bytes); }};
}
