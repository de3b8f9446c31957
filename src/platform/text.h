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
//      its own encoding, nothing of a device's shown that could act on the screen, which the
//      platform then shows as characters;
//    - a file or a pipe: codePage932Bytes, the bytes the tool has always written there.

// The encoding of a run's bytes.
enum class Encoding {
    CodePage932, // the tool's own texts; a device's field read as code page 932 is
    Utf8,        // a description that is well-formed UTF-8 beyond ASCII
};

// Whose text a run is. The tool's own texts hold its line breaks; a device's field is shown to a
// person only as characters that cannot act on the screen (readableUtf8).
enum class Origin { Tool, Device };

struct TextRun {
    Encoding encoding;
    Origin origin;
    std::string bytes;
    bool operator==(const TextRun& o) const {
        return encoding == o.encoding && origin == o.origin && bytes == o.bytes;
    }
};

// Text in runs. Runs of the tool's own text next to each other are one run; each field of a
// device is a run of its own, decoded by itself, so that nothing in it can take the tool's text
// beside it along.
struct Text {
    std::vector<TextRun> runs;
    bool operator==(const Text& o) const { return runs == o.runs; }
};

// Appends the tool's own text, code page 932 bytes.
void appendToolText(Text& text, std::string_view codePage932);

// Appends every run of more: its first joins the last run of text when both are the tool's own.
void append(Text& text, const Text& more);

// The tool's own text, code page 932 bytes.
Text toolText(std::string_view codePage932);

// Whether text is well-formed UTF-8 as RFC 3629 defines it: no overlong form, no encoded
// surrogate, nothing above U+10FFFF, no cut sequence.
bool isWellFormedUtf8(std::string_view text);

// Appends a field of the device list as it stands, never converted: an instance id or a driver
// package name, read as code page 932 is.
void appendField(Text& text, std::string_view field);

// Appends a device's description as it stands. Listings declare UTF-8: a description that holds
// a byte above 0x7F is a UTF-8 run when it is well-formed UTF-8, else a field as appendField
// takes it. Code page 932 is almost never well-formed UTF-8 (its kana and most kanji begin with
// bytes that cannot begin a UTF-8 character); the rare code page 932 text that is, such as
// half-width "ﾃｽ", is read as UTF-8.
void appendDescription(Text& text, std::string_view description);

// The bytes for a file or a pipe: UTF-8 runs converted to code page 932 ("?" for a character that
// it lacks), or as they stand where the platform cannot convert them; every other run as it
// stands, a device's control characters included.
std::string codePage932Bytes(const Text& text);

// The text as a person reads it, always well-formed UTF-8: each run that is not UTF-8 decoded by
// itself as the platform decodes code page 932 (codePage932ToUtf8); where the platform cannot,
// its bytes read as UTF-8, each maximal part that is not (as Unicode recommends) as U+FFFD.
// The tool's own runs show as they are, its line breaks included. In a device's run each
// character that could act on the screen shows as U+FFFD: every control (Unicode category Cc:
// C0, DEL and C1; a console or terminal obeys them), each character that reorders a line
// (Bidi_Control), and the line and paragraph separators (Zl, Zp). Every other character shows as
// it comes: joiners, other format characters, combining marks, characters beyond U+FFFF.
std::string readableUtf8(const Text& text);
