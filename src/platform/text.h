#pragma once

#include <string>
#include <string_view>
#include <vector>

// How a description goes from the device list to the screen, and where each encoding is decided:
// 1. The tool's own texts are code page 932 bytes (app/messages.h). A description comes as the
//    listing gives it, or as UTF-8 made from Windows' own UTF-16 list (device_list.h).
// 2. The scanner builds the device line and the confirmation line as a Text: the tool's bytes,
//    the instance id and the driver package name as appendField tags them, and the description
//    as appendDescription tags it. Nothing is converted there.
// 3. At the edge, where the text leaves the tool, the seams (console.h, message_box.h) decide:
//    - a person reads it (a console, the box, a terminal): readableUtf8, every run decoded by
//      its own encoding, which the platform then shows as characters;
//    - a file or a pipe: codePage932Bytes, the bytes the tool has always written there.

// The encoding of a run's bytes.
enum class Encoding {
    CodePage932, // the tool's own texts, and the device list's ASCII
    Utf8,        // a description that is well-formed UTF-8 beyond ASCII
    // Any other field of the device list beyond ASCII: code page 932 where it reads as such,
    // else bytes in neither encoding. Read as code page 932 is, but a run of its own, so that
    // bytes in neither encoding never take the tool's texts beside them with them.
    Unknown,
};

struct TextRun {
    Encoding encoding;
    std::string bytes;
    bool operator==(const TextRun& o) const { return encoding == o.encoding && bytes == o.bytes; }
};

// Text in runs of one encoding each; no two runs next to each other have the same encoding, but
// for Unknown runs, each a field of its own.
struct Text {
    std::vector<TextRun> runs;
    bool operator==(const Text& o) const { return runs == o.runs; }
};

// Appends bytes in the given encoding, joining them to the last run if it has that encoding and
// is not Unknown.
void append(Text& text, Encoding encoding, std::string_view bytes);

// Appends every run of more, joining its first to the last run of text if they match.
void append(Text& text, const Text& more);

// The tool's own text, code page 932 bytes.
Text toolText(std::string_view codePage932);

// Whether text is well-formed UTF-8 as RFC 3629 defines it: no overlong form, no encoded
// surrogate, nothing above U+10FFFF, no cut sequence.
bool isWellFormedUtf8(std::string_view text);

// Appends a field of the device list as it stands, never converted: an instance id or a driver
// package name. Beyond ASCII it is an Unknown run.
void appendField(Text& text, std::string_view field);

// Appends a device's description as it stands. Listings declare UTF-8: a description that holds
// a byte above 0x7F is a UTF-8 run when it is well-formed UTF-8, else a field as appendField
// takes it. Code page 932 is almost never well-formed UTF-8 (its kana and most kanji begin with
// bytes that cannot begin a UTF-8 character); the rare code page 932 text that is, such as
// half-width "ﾃｽ", is read as UTF-8.
void appendDescription(Text& text, std::string_view description);

// The bytes for a file or a pipe: UTF-8 runs converted to code page 932 ("?" for a character that
// it lacks), or as they stand where the platform cannot convert them; every other run as it
// stands.
std::string codePage932Bytes(const Text& text);

// The text as a person reads it, in UTF-8: each run that is not UTF-8 decoded by itself as the
// platform decodes code page 932 (codePage932ToUtf8), or as its bytes where the platform cannot;
// UTF-8 runs as they are. Whatever the run, each character that can disguise a line shows as
// U+FFFD: format characters (Unicode category Cf, such as the bidirectional controls and
// zero-width characters), the line and paragraph separators, and the C1 controls, which a
// terminal may obey. Control characters below 0x20 stay as they are.
std::string readableUtf8(const Text& text);
