#include "pnputil.h"

#include <cstdio>

bool formatDeleteCommand(char* buffer, size_t size, const std::string& packageName) {
    if (packageName.size() + DELETE_COMMAND_FIXED_BYTES >= size) {
        return false;
    }
    const int written = std::snprintf(buffer, size, DELETE_COMMAND_FORMAT, packageName.c_str());
    return written >= 0 && static_cast<size_t>(written) < size;
}
