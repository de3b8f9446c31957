#pragma once

#include "platform/command_pipe.h"
#include "platform/console.h"
#include "platform/message_box.h"

#include <cstdint>
#include <string>
#include <vector>

// Why a driver package name is not put into a command line, if it is not.
enum class NameRejection { None, Empty, UnsafeCharacters, LeadingCharacter, TooLong };

// Only names of ASCII letters, digits, '.', '_' and '-' that begin with a letter or a digit, as
// driver package names are (oem12.inf), reach a command line run with administrator rights:
// nothing else can change what the line means. A quote or a space would change pnputil's
// arguments, and the POSIX build's shell would expand '$' and backticks. (A name whose command
// line does not fit is TooLong, found when the line is formatted.)
NameRejection checkDriverPackageName(const std::string& name);

// Runs the deletion command for each of the first foundCount names, in order, relaying command
// lines and return codes as the tool's text and the commands' output as it stands, and ends with
// the result box.
void runDeletionPhase(const std::vector<std::string>& driverNames, int32_t foundCount,
                      ReadBuffer& readBuffer, const CommandPipe& pipe,
                      const MessageSeam& showMessage, const ConsoleSeam& console);
