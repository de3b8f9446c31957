#pragma once

#include <string>
#include <string_view>

// Code page 932 (Shift_JIS) bytes as UTF-8, as the platform shows them to a person. Windows
// decodes every byte as its message box decodes it on a Japanese Windows, valid code page 932 or
// not. POSIX converts valid code page 932 where the C library can, and otherwise returns false,
// leaving utf8 unspecified.
bool codePage932ToUtf8(std::string_view bytes, std::string& utf8);

// Converts UTF-8 to code page 932 bytes, the same on every platform: a character that code page
// 932 cannot hold, or holds only as the bytes of another character, becomes one "?" (no best-fit
// substitutes). Returns false, leaving bytes unspecified, when the platform's decoder refuses the
// input as UTF-8 or the platform has no converter.
bool utf8ToCodePage932(const std::string& utf8, std::string& bytes);
