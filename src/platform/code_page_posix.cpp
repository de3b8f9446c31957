#include "code_page.h"

#include <iconv.h>
#include <memory>
#include <vector>

namespace {

using Converter = std::unique_ptr<void, int (*)(iconv_t)>;

// An iconv converter; empty where the C library has none for these encodings.
Converter openConverter(const char* to, const char* from) {
    const iconv_t opened = iconv_open(to, from);
    if (opened ==
        reinterpret_cast<iconv_t>(-1)) { // NOLINT(performance-no-int-to-ptr): iconv's error value
        return {nullptr, iconv_close};
    }
    return {opened, iconv_close};
}

// Converts all of input into at most room bytes. iconv stops at the first byte it cannot convert,
// at a cut sequence, or where room runs out, so any byte left means failure.
bool convertAll(const Converter& converter, const std::string& input, size_t room,
                std::string& output) {
    iconv(converter.get(), nullptr, nullptr, nullptr, nullptr); // its initial state
    std::vector<char> in(input.begin(), input.end());
    std::vector<char> out(room);
    char* inAt = in.data();
    size_t inLeft = in.size();
    char* outAt = out.data();
    size_t outLeft = out.size();
    iconv(converter.get(), &inAt, &inLeft, &outAt, &outLeft);
    if (inLeft != 0) {
        return false;
    }
    output.assign(out.data(), outAt);
    return true;
}

constexpr size_t UTF32_CHARACTER_SIZE = 4;

} // namespace

bool codePage932ToUtf8(std::string_view bytes, std::string& utf8) {
    // Opened once: opening costs more than converting a field.
    static const Converter converter = openConverter("UTF-8", "CP932");
    // A code page 932 character is at most 2 bytes and becomes at most 3 bytes of UTF-8.
    return converter && convertAll(converter, std::string(bytes), bytes.size() * 3, utf8);
}

bool utf8ToCodePage932(const std::string& utf8, std::string& bytes) {
    static const Converter decoder = openConverter("UTF-32LE", "UTF-8");
    static const Converter encoder = openConverter("CP932", "UTF-32LE");
    static const Converter reader = openConverter("UTF-32LE", "CP932");
    std::string characters;
    if (!decoder || !encoder || !reader ||
        !convertAll(decoder, utf8, utf8.size() * UTF32_CHARACTER_SIZE, characters)) {
        return false;
    }
    // glibc also gives some characters the bytes of another one (U+301C those of U+FF5E, U+00A5
    // those of '\'), which Windows, told to use no best fit, does not: as there, a character is
    // converted only when its bytes read back as itself.
    bytes.clear();
    std::string character;
    std::string encoded;
    std::string readBack;
    for (size_t at = 0; at < characters.size(); at += UTF32_CHARACTER_SIZE) {
        character.assign(characters, at, UTF32_CHARACTER_SIZE);
        // A code page 932 character is at most 2 bytes, each read back as at most one character.
        const bool held = convertAll(encoder, character, 2, encoded) &&
                          convertAll(reader, encoded, 2 * UTF32_CHARACTER_SIZE, readBack) &&
                          readBack == character;
        bytes += held ? encoded : "?";
    }
    return true;
}
