#include "output_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Text mode ends the output at Ctrl+Z.
constexpr char END_OF_TEXT = '\x1A';

#if defined(__SSE2__)
// Sixteen bytes from `at`, each 0xFF where it equals the byte that `wanted` repeats.
__m128i equalBytes(const char* at, __m128i wanted) {
    return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), wanted);
}

// The 64 places of a window that four 16-byte parts cover, bit i set where place i is 0xFF.
uint64_t placesOf(__m128i first, __m128i second, __m128i third, __m128i fourth) {
    const auto bits = [](__m128i part) {
        return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(part)));
    };
    return bits(first) | bits(second) << 16 | bits(third) << 32 | bits(fourth) << 48;
}

bool anySet(__m128i first, __m128i second, __m128i third, __m128i fourth) {
    return _mm_movemask_epi8(
               _mm_or_si128(_mm_or_si128(first, second), _mm_or_si128(third, fourth))) != 0;
}
#endif

// The first byte c in [from, to), or to. Every byte of the output is searched, and the C runtime's
// memchr on Windows is the system's msvcrt (under Wine, a byte at a time): so, 64 at a time where
// the processor can.
const char* findByte(const char* from, const char* to, char c) {
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(c);
    for (; to - from >= 64; from += 64) {
        const __m128i first = equalBytes(from, wanted);
        const __m128i second = equalBytes(from + 16, wanted);
        const __m128i third = equalBytes(from + 32, wanted);
        const __m128i fourth = equalBytes(from + 48, wanted);
        if (anySet(first, second, third, fourth)) {
            return from + __builtin_ctzll(placesOf(first, second, third, fourth));
        }
    }
#endif
    while (from != to && *from != c) {
        ++from;
    }
    return from;
}

// Where text (not empty) first stands whole in [from, to), or to. Where the processor can, the
// places of a 64-byte window are tried at once by the text's first and last bytes, and only those
// that have both are compared whole; after a window whose candidates are all false the search
// goes on 64 places to a step, so that listings full of near misses (other vendors' ids) cost a
// comparison per near miss, not a slower search from there on.
const char* findText(const char* from, const char* to, std::string_view text) {
    const auto standsAt = [&](const char* at) {
        return std::memcmp(at, text.data(), text.size()) == 0;
    };
#if defined(__SSE2__)
    const size_t lastAt = text.size() - 1;
    const __m128i first = _mm_set1_epi8(text.front());
    const __m128i last = _mm_set1_epi8(text.back());
    const auto mayStart = [&](const char* at) {
        return _mm_and_si128(equalBytes(at, first), equalBytes(at + lastAt, last));
    };
    for (; to - from >= static_cast<ptrdiff_t>(64 + lastAt); from += 64) {
        const __m128i places0 = mayStart(from);
        const __m128i places16 = mayStart(from + 16);
        const __m128i places32 = mayStart(from + 32);
        const __m128i places48 = mayStart(from + 48);
        if (!anySet(places0, places16, places32, places48)) {
            continue;
        }
        for (uint64_t candidates = placesOf(places0, places16, places32, places48); candidates != 0;
             candidates &= candidates - 1) {
            const char* const at = from + __builtin_ctzll(candidates);
            if (standsAt(at)) {
                return at;
            }
        }
    }
#endif
    for (; to - from >= static_cast<ptrdiff_t>(text.size()); ++from) {
        if (standsAt(from)) {
            return from;
        }
    }
    return to;
}

// Reads raw bytes into the block after its first `kept` bytes, which stay; false once the output
// has ended. The output is cut at a 0x1A as it arrives, so that nothing else sees one.
bool refill(OutputReader& reader, size_t kept) {
    reader.begin = 0;
    reader.end = kept;
    if (reader.ended) {
        return false;
    }
    char* const into = reader.block.data() + kept;
    const size_t got = reader.pipe->read(reader.handle, into, RAW_READ_SIZE);
    const char* const stop = findByte(into, into + got, END_OF_TEXT);
    reader.end = kept + static_cast<size_t>(stop - into);
    reader.ended = got == 0 || stop != into + got;
    return reader.end > kept;
}

} // namespace

OutputReader startReading(const CommandPipe& pipe, PipeHandle handle) {
    OutputReader reader;
    reader.pipe = &pipe;
    reader.handle = handle;
    reader.block.resize(CARRIED_LINE_MAX + RAW_READ_SIZE);
    return reader;
}

bool readChunk(OutputReader& reader, char* buffer, size_t limit, std::string_view& text) {
    // A chunk holds one '\n' at most, at its end, so the only '\r' it can drop is the one right
    // before that '\n'; the limit counts the bytes after the drop.
    const size_t room = limit - 1;
    size_t length = 0;
    for (;;) {
        // A '\r' taken last may yet pair with a '\n' at the start of the next block, or just past
        // the limit.
        const bool carriageReturnTaken = length != 0 && buffer[length - 1] == '\r';
        if ((length == room && !carriageReturnTaken) ||
            (reader.begin == reader.end && !refill(reader, 0))) {
            break;
        }
        const char* from = reader.block.data() + reader.begin;
        if (carriageReturnTaken && *from == '\n') {
            buffer[length - 1] = '\n';
            ++reader.begin;
            break;
        }
        if (length == room) {
            break;
        }
        const size_t window = std::min(reader.end - reader.begin, room - length);
        const char* const newline = findByte(from, from + window, '\n');
        const size_t take = static_cast<size_t>(newline - from) + (newline != from + window);
        std::memcpy(buffer + length, from, take);
        length += take;
        reader.begin += take;
        if (newline != from + window) {
            if (newline != from && newline[-1] == '\r') { // a "\r\n" within this block
                buffer[length - 2] = '\n';
                --length;
            }
            break;
        }
    }
    reader.atLineStart = length == 0 || buffer[length - 1] == '\n';
    text = std::string_view(buffer,
                            static_cast<size_t>(findByte(buffer, buffer + length, '\0') - buffer));
    return length > 0;
}

void passOverLinesWithout(OutputReader& reader, std::string_view text) {
    if (!reader.atLineStart) {
        return;
    }
    // From a line start: the text is searched for, then the line it stands in. Its bytes are the
    // same before and after the "\r\n" drop, since it holds no '\r' or '\n'. A line carried over
    // a read is searched again only where the new bytes could complete the text.
    size_t textFrom = reader.begin; // the text can begin here at the earliest
    size_t newlineFrom = textFrom;  // no '\n' stands from the line's start to here
    for (;;) {
        char* const block = reader.block.data();
        const char* const blockEnd = block + reader.end;
        const char* const found = findText(block + textFrom, blockEnd, text);
        if (found != blockEnd) {
            const char* start = found;
            while (start != block + reader.begin && start[-1] != '\n') {
                --start;
            }
            reader.begin = static_cast<size_t>(start - block);
            return;
        }
        // No line from here to the block's end holds the text: every line ended in the block
        // goes. The line that the block's end cut is kept for the next read, which may complete
        // the text.
        const char* cutLine = blockEnd;
        while (cutLine != block + newlineFrom && cutLine[-1] != '\n') {
            --cutLine;
        }
        if (cutLine == block + newlineFrom) {
            cutLine = block + reader.begin;
        }
        const size_t kept = static_cast<size_t>(blockEnd - cutLine);
        reader.begin = static_cast<size_t>(cutLine - block);
        if (kept > CARRIED_LINE_MAX || reader.ended) {
            return; // read from its start chunk by chunk, or the end of the output
        }
        if (cutLine != block) { // once a line: then it stays at the front while reads add to it
            std::memmove(block, cutLine, kept);
        }
        if (!refill(reader, kept)) {
            return;
        }
        textFrom = kept >= text.size() ? kept - (text.size() - 1) : 0;
        newlineFrom = kept;
    }
}
