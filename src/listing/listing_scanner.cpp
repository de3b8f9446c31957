#include "listing_scanner.h"

namespace {

constexpr const char* START_TAG = "<Device InstanceId=";
constexpr const char* INSTANCE_ID_END = "\">";
constexpr const char* END_TAG = "</Device>";

struct Element {
    const char* open;
    const char* close;
};
constexpr Element DESCRIPTION_ELEMENT{"<DeviceDescription>", "</DeviceDescription>"};
constexpr Element DRIVER_NAME_ELEMENT{"<DriverName>", "</DriverName>"};

bool contains(const std::string& line, const char* text) {
    return line.find(text) != std::string::npos;
}

// Outside: a target's start tag gives the instance id, from the prefix up to the first "\">".
bool captureInstanceId(const std::string& line, std::string& instanceId) {
    if (!contains(line, START_TAG)) {
        return false;
    }
    const size_t prefixAt = line.find(TARGET_ID_PREFIX);
    if (prefixAt == std::string::npos) {
        return false;
    }
    const size_t endAt = line.find(INSTANCE_ID_END, prefixAt);
    if (endAt == std::string::npos) {
        return false;
    }
    instanceId.assign(line, prefixAt, endAt - prefixAt);
    return true;
}

// The text between the element's tags, when both stand on the line in that order.
bool captureElement(const std::string& line, const Element& element, std::string& value) {
    const size_t openAt = line.find(element.open);
    if (openAt == std::string::npos) {
        return false;
    }
    const size_t valueAt = openAt + std::char_traits<char>::length(element.open);
    const size_t closeAt = line.find(element.close, valueAt);
    if (closeAt == std::string::npos) {
        return false;
    }
    value.assign(line, valueAt, closeAt - valueAt);
    return true;
}

void completeDevice(const CurrentDevice& device, ListingResults& results, std::ostream& deviceOut) {
    deviceOut << '"' << device.instanceId << "\",\"" << device.description << "\",\""
              << device.driverName << "\"\n";
    results.driverNames.push_back(device.driverName);
    results.confirmText += '"';
    results.confirmText += device.description;
    results.confirmText += "\",\"";
    results.confirmText += device.driverName;
    results.confirmText += "\"\n";
    ++results.foundCount;
}

} // namespace

void collapseAmpersands(std::string& line) {
    // One left-to-right pass gives the same bytes as restarting from the start after every
    // replacement: a replacement leaves an '&' that cannot end a reference starting before it.
    size_t write = 0;
    size_t read = 0;
    while (read < line.size()) {
        const char c = line[read++];
        line[write++] = c;
        if (c == '&') {
            while (line.compare(read, 4, "amp;") == 0) {
                read += 4;
            }
        }
    }
    line.resize(write);
}

void feedLine(ListingScanner& scanner, const std::string& chunk, ListingResults& results,
              std::ostream& deviceOut) {
    std::string line = chunk;
    collapseAmpersands(line);
    CurrentDevice& device = scanner.current;
    // A start tag inside an unfinished block means that block lost its end: drop it, so that
    // the next device's description and driver are never joined to the earlier instance id.
    if (scanner.state != ScanState::Outside && contains(line, START_TAG)) {
        scanner.state = ScanState::Outside;
    }
    switch (scanner.state) {
    case ScanState::Outside:
        if (captureInstanceId(line, device.instanceId)) {
            scanner.state = ScanState::HaveInstanceId;
        }
        break;
    case ScanState::HaveInstanceId:
        if (contains(line, END_TAG)) {
            scanner.state = ScanState::Outside;
        } else if (captureElement(line, DESCRIPTION_ELEMENT, device.description)) {
            scanner.state = ScanState::HaveDescription;
        }
        break;
    case ScanState::HaveDescription:
        if (contains(line, END_TAG)) {
            scanner.state = ScanState::Outside;
        } else if (captureElement(line, DRIVER_NAME_ELEMENT, device.driverName)) {
            scanner.state = ScanState::HaveDriverName;
        }
        break;
    case ScanState::HaveDriverName:
        if (contains(line, END_TAG)) {
            completeDevice(device, results, deviceOut);
            scanner.state = ScanState::Outside;
        }
        break;
    }
}
