#pragma once

#include <string>
#include <string_view>

// Whether text is well-formed UTF-8 as RFC 3629 defines it: no overlong form, no encoded
// surrogate, nothing above U+10FFFF, no cut sequence.
bool isWellFormedUtf8(std::string_view text);

// A device's description as its console line and its confirmation line show it. The tool's texts
// are code page 932, and listings declare UTF-8: a description that is well-formed UTF-8 and
// holds a byte above 0x7F is converted to code page 932 into converted, which is returned. Any
// other description is returned as it stands: ASCII, bytes that are neither, and code page 932,
// which is almost never well-formed UTF-8 (its kana and most kanji begin with bytes that cannot
// begin a UTF-8 character); the rare code page 932 text that is, such as half-width "ﾃｽ", is
// converted as UTF-8.
const std::string& shownDescription(const std::string& description, std::string& converted);
