#include "code_page.h"

#include <windows.h>

#include <vector>

bool codePage932ToUtf8(const std::string& bytes, std::string& utf8) {
    if (bytes.empty()) {
        utf8.clear();
        return true;
    }
    const int inLength = static_cast<int>(bytes.size());
    const int wideLength =
        MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), inLength, nullptr, 0);
    if (wideLength == 0) {
        return false;
    }
    std::vector<wchar_t> wide(static_cast<size_t>(wideLength));
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), inLength, wide.data(), wideLength);
    const int utf8Length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    utf8.assign(static_cast<size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], utf8Length, nullptr,
                        nullptr);
    return true;
}
