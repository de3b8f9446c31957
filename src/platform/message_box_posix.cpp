#include "message_box.h"

#include <cctype>
#include <cstdio>

namespace {

// Appends one line of standard input, without its line ending, to the empty line; false at the
// end of input with nothing read.
bool readAnswerLine(std::string& line) {
    int c = 0;
    bool readAny = false;
    while ((c = std::getchar()) != EOF) {
        readAny = true;
        if (c == '\n') {
            break;
        }
        line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return readAny;
}

bool isYes(std::string answer) {
    for (char& c : answer) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return answer == "y" || answer == "yes";
}

} // namespace

// A console stand-in for the Windows message box: the box goes to standard error, the answer
// comes from standard input.
int showMessage(const Text& text, const std::string& caption, BoxKind kind) {
    // What the tool wrote to standard output shows before the box.
    std::fflush(stdout);
    const std::string shown = readableUtf8(text);
    const char* prompt = kind == BoxKind::YesNo ? "Yes or No? [y/N] " : "[OK: press Enter] ";
    std::fprintf(stderr, "\n[%s]\n", caption.c_str());
    std::fwrite(shown.data(), 1, shown.size(), stderr);
    std::fprintf(stderr, "\n%s", prompt);
    std::fflush(stderr);

    std::string answer;
    // Only the Yes/No box's answer is examined; any line closes an OK box.
    const bool answered = readAnswerLine(answer);
    return answered && isYes(answer) ? ANSWER_YES : ANSWER_NO;
}
