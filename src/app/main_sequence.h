#pragma once

#include "listing/listing_scanner.h"
#include "platform/command_pipe.h"
#include "platform/message_box.h"

// The limit of a listing read counts the terminating zero, as fgets does.
constexpr int LISTING_READ_LIMIT = static_cast<int>(LISTING_CHUNK_MAX) + 1;

// The exit status of every run, successful or not.
constexpr int TOOL_EXIT_STATUS = 1;

// One whole run: banner, listing, confirmation and, after Yes, the deletion phase.
int runTool(const CommandPipe& pipe, const MessageSeam& showMessage);
