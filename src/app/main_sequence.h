#pragma once

#include "listing/listing_scanner.h"
#include "platform/command_pipe.h"
#include "platform/console.h"
#include "platform/device_list.h"
#include "platform/message_box.h"
#include "platform/output_reader.h"

// The limit of a listing read counts the terminating zero, as fgets does.
constexpr size_t LISTING_READ_LIMIT = LISTING_CHUNK_MAX + 1;

// The exit status of every run, successful or not.
constexpr int TOOL_EXIT_STATUS = 1;

// What the listing command's output was, beyond the devices found in it.
struct ListingOutcome {
    bool wroteAnything = false; // at least one chunk was read
    bool heldRoot = false;      // a chunk held LISTING_ROOT_START_TAG
};

// Reads the whole listing chunk by chunk into the scanner. Once the root has been read, the lines
// that cannot matter to the scanner (textALineNeeds) are passed over: the root stands before any
// device block, so every chunk before it is read.
ListingOutcome readListing(OutputReader& reader, ReadBuffer& buffer, ListingScanner& scanner,
                           ListingResults& results, const ConsoleSeam& console);

// One whole run: banner, listing, confirmation and, after Yes, the deletion phase. When the listing
// command writes something but no listing, the devices come from the system's own device list.
int runTool(const CommandPipe& pipe, const MessageSeam& showMessage, const ConsoleSeam& console,
            const DeviceListSeam& readDeviceList);
