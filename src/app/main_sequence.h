#pragma once

#include "platform/command_pipe.h"
#include "platform/message_box.h"

// Listing reads take at most 1022 bytes, the limit counting the terminating zero as fgets does.
constexpr int LISTING_READ_LIMIT = 1023;

// The exit status of every run, successful or not.
constexpr int TOOL_EXIT_STATUS = 1;

// One whole run: banner, listing, confirmation and, after Yes, the deletion phase.
int runTool(const CommandPipe& pipe, const MessageSeam& showMessage);
