#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// Instance ids of EZ-USB FX2 controllers that enumerate without an EEPROM.
constexpr const char* TARGET_ID_PREFIX = "USB\\VID_04B4&PID_8613\\";

enum class ScanState {
    Outside,         // not inside a target device block
    HaveInstanceId,  // start tag of a target seen, instance id captured
    HaveDescription, // description captured as well
    HaveDriverName,  // driver package name captured as well; waiting for "</Device>"
};

// Fields of the device block being read. Never cleared: each is overwritten when captured, and a
// device only completes after all three were captured in its own block.
struct CurrentDevice {
    std::string instanceId;
    std::string description;
    std::string driverName;
};

struct ListingScanner {
    ScanState state = ScanState::Outside;
    CurrentDevice current;
    std::string line; // working copy of the chunk, kept to spare an allocation per chunk
};

// What the scanner collects for the rest of the run; foundCount always equals driverNames.size().
struct ListingResults {
    std::vector<std::string> driverNames;
    std::string confirmText;
    int32_t foundCount = 0;
};

// Replaces every "&amp;" by "&" until none is left, so that escaped references collapse fully.
void collapseAmpersands(std::string& line);

// Takes one chunk of the listing as read (at most 1022 bytes, its '\n' included if it has one),
// makes at most one state change, and writes the line of a completed device to deviceOut.
void feedLine(ListingScanner& scanner, std::string_view chunk, ListingResults& results,
              std::ostream& deviceOut);
