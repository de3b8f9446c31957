#pragma once

#include <string>

// Converts code page 932 (Shift_JIS) bytes to UTF-8. Returns false, leaving utf8 unspecified,
// when the bytes are not valid code page 932.
bool codePage932ToUtf8(const std::string& bytes, std::string& utf8);

// Converts UTF-8 to code page 932 bytes, the same on every platform: a character that code page
// 932 cannot hold, or holds only as the bytes of another character, becomes one "?" (no best-fit
// substitutes). Returns false, leaving bytes unspecified, when the platform's decoder refuses the
// input as UTF-8 or the platform has no converter.
bool utf8ToCodePage932(const std::string& utf8, std::string& bytes);
