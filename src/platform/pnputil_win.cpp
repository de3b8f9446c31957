#include "pnputil.h"

#include <cstdio>

namespace {

// Bytes of the deletion command line around the package name: the format less its "%s".
constexpr size_t DELETE_COMMAND_FIXED_BYTES = sizeof(DELETE_COMMAND_FORMAT) - 1 - 2;

} // namespace

bool formatDeleteCommand(char* buffer, size_t size, const std::string& packageName) {
    // sprintf_s ends the process on overflow, so the length is checked first.
    if (packageName.size() + DELETE_COMMAND_FIXED_BYTES >= size) {
        return false;
    }
    return sprintf_s(buffer, size, DELETE_COMMAND_FORMAT, packageName.c_str()) >= 0;
}
