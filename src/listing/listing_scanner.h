#pragma once

#include "platform/console.h"
#include "platform/device_list.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Instance ids of EZ-USB FX2 controllers that enumerate without an EEPROM.
constexpr std::string_view TARGET_ID_PREFIX = "USB\\VID_04B4&PID_8613\\";

// The part of the target prefix before its '&'. Collapsing references never makes nor breaks it: it
// holds no '&', 'a', 'm', 'p' or ';'.
constexpr std::string_view TARGET_VENDOR(TARGET_ID_PREFIX.data(), TARGET_ID_PREFIX.find('&'));

// The longest chunk of the listing: a read that ends at the limit rather than at a '\n'.
constexpr size_t LISTING_CHUNK_MAX = 1022;

enum class ScanState {
    Outside,         // not inside a target device block
    HaveInstanceId,  // start tag of a target seen, instance id captured
    HaveDescription, // description captured as well
    HaveDriverName,  // driver package name captured as well; waiting for "</Device>"
};

// Fields of the device block being read, as the listing gives them. Never cleared: each is
// overwritten when captured, and a device only completes after all three were captured in its
// own block.
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
    Text confirmText;
    int32_t foundCount = 0;
};

// Replaces every "&amp;" by "&" until none is left, so that escaped references collapse fully.
void collapseAmpersands(std::string& line);

// What a line read next must hold for any of its chunks to change the scanner or the results:
// outside a block, TARGET_VENDOR, without which a chunk cannot begin one; inside a block anything
// may matter, and the text is empty.
std::string_view textALineNeeds(const ListingScanner& scanner);

// Takes one chunk of the listing as read (at most LISTING_CHUNK_MAX bytes, its '\n' included if
// it has one) and writes the line of a completed device as a Text: the tool's quotes and commas,
// each field of the device a run of its own, the description as appendDescription tags it, the
// instance id and the driver package name as appendField does. Inside a block, a chunk
// that may hide the block's end first drops the block; then the chunk makes at most one state
// change. A block begins only on its own whole start-tag line.
void feedLine(ListingScanner& scanner, std::string_view chunk, ListingResults& results,
              const ConsoleSeam& console);

// Takes a device of the system's own device list as a completed device of the listing: its line
// written and its results kept alike. Only a device whose instance id begins with
// TARGET_ID_PREFIX and that has a description and a driver package name, no field holding a
// control character (below 0x20), is taken.
void addSystemDevice(const SystemDevice& device, ListingResults& results,
                     const ConsoleSeam& console);
