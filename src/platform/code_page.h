#pragma once

#include <string>
#include <string_view>

// Appends code page 932 (Shift_JIS) bytes to readable as UTF-8, as the platform shows them to a
// person. Windows decodes every byte as its message box decodes it on a Japanese Windows, valid
// code page 932 or not. POSIX converts the bytes when they are valid code page 932 and the C
// library can, and otherwise appends them as they stand.
void appendReadableCodePage932(std::string_view bytes, std::string& readable);

// Converts UTF-8 to code page 932 bytes, the same on every platform: a character that code page
// 932 cannot hold, or holds only as the bytes of another character, becomes one "?" (no best-fit
// substitutes). Returns false, leaving bytes unspecified, when the platform's decoder refuses the
// input as UTF-8 or the platform has no converter.
bool utf8ToCodePage932(const std::string& utf8, std::string& bytes);
