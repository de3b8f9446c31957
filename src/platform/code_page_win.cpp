#include "code_page.h"

#include "code_page_win.h"

bool decodeToWide(UINT codePage, DWORD flags, std::string_view text, std::wstring& wide) {
    wide.clear();
    if (text.empty()) {
        return true;
    }
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
    if (wideLength == 0) {
        return false;
    }
    wide.resize(static_cast<size_t>(wideLength));
    MultiByteToWideChar(codePage, flags, text.data(), length, &wide[0], wideLength);
    return true;
}

void encodeFromWide(UINT codePage, DWORD flags, const char* defaultCharacter,
                    std::wstring_view wide, std::string& text) {
    const int wideLength = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(codePage, flags, wide.data(), wideLength, nullptr, 0,
                                           defaultCharacter, nullptr);
    text.assign(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), wideLength, &text[0], length,
                        defaultCharacter, nullptr);
}

namespace {

// Windows' code page 932 gives U+0080 and U+F8F0 to U+F8F3 bytes of their own (0x80, 0xA0, 0xFD,
// 0xFE, 0xFF, which no Shift_JIS text holds); glibc's knows none of them. Each becomes '?', as on
// POSIX, and so does each character beyond the BMP, which code page 932 cannot hold: for its
// surrogate pair WideCharToMultiByte would give two.
void replaceCharactersNotShared(std::wstring& wide) {
    size_t kept = 0;
    for (size_t at = 0; at < wide.size(); ++at) {
        const wchar_t c = wide[at];
        if (IS_HIGH_SURROGATE(c)) {
            ++at; // its low surrogate: well-formed UTF-8 gives whole pairs only
        }
        wide[kept++] = IS_HIGH_SURROGATE(c) || c == 0x80 || (c >= 0xF8F0 && c <= 0xF8F3) ? L'?' : c;
    }
    wide.resize(kept);
}

} // namespace

bool codePage932ToUtf8(std::string_view bytes, std::string& utf8) {
    std::wstring wide;
    decodeToWide(CODE_PAGE_932, 0, bytes, wide);
    encodeFromWide(CP_UTF8, 0, nullptr, wide, utf8);
    return true;
}

bool utf8ToCodePage932(const std::string& utf8, std::string& bytes) {
    std::wstring wide;
    if (!decodeToWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, wide)) {
        return false;
    }
    replaceCharactersNotShared(wide);
    // No best fit: a character is converted only to bytes that read back as itself; else '?'.
    encodeFromWide(CODE_PAGE_932, WC_NO_BEST_FIT_CHARS, "?", wide, bytes);
    return true;
}
