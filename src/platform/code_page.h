#pragma once

#include <string>

// Converts code page 932 (Shift_JIS) bytes to UTF-8. Returns false, leaving utf8 unspecified,
// when the bytes are not valid code page 932.
bool codePage932ToUtf8(const std::string& bytes, std::string& utf8);
