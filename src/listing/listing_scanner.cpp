#include "listing_scanner.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::string_view START_TAG = "<Device InstanceId=";
constexpr std::string_view INSTANCE_ID_END = "\">";
constexpr std::string_view END_TAG = "</Device>";
constexpr const char WHITE_SPACE[] = " \t\r\n";

struct Element {
    std::string_view open;
    std::string_view close;
};
constexpr Element DESCRIPTION_ELEMENT{"<DeviceDescription>", "</DeviceDescription>"};
constexpr Element DRIVER_NAME_ELEMENT{"<DriverName>", "</DriverName>"};

bool contains(std::string_view line, std::string_view text) {
    return line.find(text) != std::string_view::npos;
}

// Outside, on a chunk holding the target's vendor (see feedLine): a target block begins only
// on the block's own whole start-tag line, so that no other device's text can pass for its start.
// The attribute's value begins with the target prefix; the instance id, which runs to the first
// "\">", holds no '<' (an attribute value cannot, so one there begins another tag, whose fields
// would follow); and after that "\">" comes nothing but white space. So no other tag follows
// this start tag on the line, and the fields are read from the lines after it.
bool captureInstanceId(const std::string& line, std::string& instanceId) {
    const size_t tagAt = line.find(START_TAG);
    if (tagAt == std::string::npos) {
        return false;
    }
    const size_t quoteAt = tagAt + START_TAG.size();
    const size_t idAt = quoteAt + 1;
    if (line.compare(quoteAt, 1, "\"") != 0 ||
        line.compare(idAt, TARGET_ID_PREFIX.size(), TARGET_ID_PREFIX) != 0) {
        return false;
    }
    const size_t endAt = line.find(INSTANCE_ID_END, idAt);
    if (endAt == std::string::npos ||
        contains(std::string_view(line).substr(idAt, endAt - idAt), "<") ||
        line.find_first_not_of(WHITE_SPACE, endAt + INSTANCE_ID_END.size()) != std::string::npos) {
        return false;
    }
    instanceId.assign(line, idAt, endAt - idAt);
    return true;
}

// The text between the element's tags, when both stand on the line in that order.
bool captureElement(const std::string& line, const Element& element, std::string& value) {
    const size_t openAt = line.find(element.open);
    if (openAt == std::string::npos) {
        return false;
    }
    const size_t valueAt = openAt + element.open.size();
    const size_t closeAt = line.find(element.close, valueAt);
    if (closeAt == std::string::npos) {
        return false;
    }
    value.assign(line, valueAt, closeAt - valueAt);
    return true;
}

// Where the chunk's first Device start tag begins, however its attributes are written: "<Device"
// followed by white space, '>' or '/'. npos if the chunk holds none.
size_t findAnyStartTag(std::string_view chunk) {
    constexpr std::string_view ELEMENT = "<Device";
    constexpr std::string_view AFTER_NAME = " \t\r\n>/";
    for (size_t at = chunk.find(ELEMENT); at != std::string_view::npos;
         at = chunk.find(ELEMENT, at + 1)) {
        const size_t afterAt = at + ELEMENT.size();
        if (chunk.find_first_of(AFTER_NAME, afterAt) == afterAt) {
            return at;
        }
    }
    return std::string_view::npos;
}

// A start tag with no "</Device>" before it, read inside a block: that block lost its end tag.
// Any spelling of the tag counts, so that no other device's fields are read into the block.
bool startsAnotherBlock(std::string_view chunk) {
    const size_t startAt = findAnyStartTag(chunk);
    return startAt != std::string_view::npos && !contains(chunk.substr(0, startAt), END_TAG);
}

// A chunk cut by the read limit or by a zero byte: it may hide "</Device>" or the next start tag.
bool isCut(std::string_view chunk) {
    return chunk.empty() || chunk.back() != '\n';
}

// A chunk that holds its whole line, or as much of a long line as one read takes; not one that
// a zero byte cut short, which may hide text after the start tag.
bool isWholeRead(std::string_view chunk) {
    return !isCut(chunk) || chunk.size() == LISTING_CHUNK_MAX;
}

// The instance id and the driver package name are written as the listing gives them: the name
// deleted is the listing's own.
void completeDevice(const CurrentDevice& device, ListingResults& results,
                    const ConsoleSeam& console) {
    // The confirmation line; the device line is the same with the instance id before it.
    Text confirmation = toolText("\"");
    appendDescription(confirmation, device.description);
    appendToolText(confirmation, "\",\"");
    appendField(confirmation, device.driverName);
    appendToolText(confirmation, "\"\n");
    Text line = toolText("\"");
    appendField(line, device.instanceId);
    appendToolText(line, "\",");
    append(line, confirmation);
    console.writeText(line);
    results.driverNames.push_back(device.driverName);
    append(results.confirmText, confirmation);
    ++results.foundCount;
}

} // namespace

void collapseAmpersands(std::string& line) {
    // One left-to-right pass gives the same bytes as restarting from the start after every
    // replacement: a replacement leaves an '&' that cannot end a reference starting before it.
    char* const bytes = line.data();
    const size_t size = line.size();
    const auto* first = static_cast<const char*>(std::memchr(bytes, '&', size));
    if (first == nullptr) {
        return;
    }
    size_t read = static_cast<size_t>(first - bytes);
    size_t write = read;
    while (read < size) {
        bytes[write++] = bytes[read++]; // the '&'
        while (size - read >= 4 && std::memcmp(bytes + read, "amp;", 4) == 0) {
            read += 4;
        }
        const auto* next = static_cast<const char*>(std::memchr(bytes + read, '&', size - read));
        const size_t segment = (next != nullptr ? static_cast<size_t>(next - bytes) : size) - read;
        std::memmove(bytes + write, bytes + read, segment);
        write += segment;
        read += segment;
    }
    line.resize(write);
}

namespace {

// The working copy of the chunk, with its references collapsed.
const std::string& collapsedLine(ListingScanner& scanner, std::string_view chunk) {
    scanner.line.assign(chunk.data(), chunk.size());
    collapseAmpersands(scanner.line);
    return scanner.line;
}

// Inside a block: its end tag ends it, completing the device once all three fields are in;
// otherwise the field awaited is captured.
void readInsideBlock(ListingScanner& scanner, const std::string& line, ListingResults& results,
                     const ConsoleSeam& console) {
    CurrentDevice& device = scanner.current;
    if (contains(line, END_TAG)) {
        if (scanner.state == ScanState::HaveDriverName) {
            completeDevice(device, results, console);
        }
        scanner.state = ScanState::Outside;
    } else if (scanner.state == ScanState::HaveInstanceId) {
        if (captureElement(line, DESCRIPTION_ELEMENT, device.description)) {
            scanner.state = ScanState::HaveDescription;
        }
    } else if (scanner.state == ScanState::HaveDescription) {
        if (captureElement(line, DRIVER_NAME_ELEMENT, device.driverName)) {
            scanner.state = ScanState::HaveDriverName;
        }
    }
}

} // namespace

std::string_view textALineNeeds(const ListingScanner& scanner) {
    return scanner.state == ScanState::Outside ? TARGET_VENDOR : std::string_view();
}

void feedLine(ListingScanner& scanner, std::string_view chunk, ListingResults& results,
              const ConsoleSeam& console) {
    // An unfinished block is dropped where it may have lost its end, so that one device's
    // instance id is never joined to another device's fields. The chunk is then read as outside
    // any block: a start tag in it begins the next block.
    if (scanner.state != ScanState::Outside && (startsAnotherBlock(chunk) || isCut(chunk))) {
        scanner.state = ScanState::Outside;
    }
    if (scanner.state != ScanState::Outside) {
        readInsideBlock(scanner, collapsedLine(scanner, chunk), results, console);
    } else if (isWholeRead(chunk) && contains(chunk, TARGET_VENDOR) &&
               captureInstanceId(collapsedLine(scanner, chunk), scanner.current.instanceId)) {
        scanner.state = ScanState::HaveInstanceId;
    }
}

namespace {

// Whether the field is there and holds no control character: where a person reads it would show
// as U+FFFD, but a file or a pipe gets the field's bytes, where a line break begins a line of its
// own, such as another device's; and a zero cuts the field where Windows reads it.
bool isPlainText(const std::optional<std::string>& field) {
    return field && std::none_of(field->begin(), field->end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

} // namespace

void addSystemDevice(const SystemDevice& device, ListingResults& results,
                     const ConsoleSeam& console) {
    if (device.instanceId.compare(0, TARGET_ID_PREFIX.size(), TARGET_ID_PREFIX) == 0 &&
        isPlainText(device.instanceId) && isPlainText(device.description) &&
        isPlainText(device.driverName)) {
        completeDevice({device.instanceId, *device.description, *device.driverName}, results,
                       console);
    }
}
