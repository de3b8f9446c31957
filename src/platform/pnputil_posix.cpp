#include "pnputil.h"

#include <cstdio>

bool formatDeleteCommand(char* buffer, size_t size, const std::string& packageName) {
    // snprintf writes at most size bytes and returns the length the whole line would have (a
    // negative error becomes too large a length).
    const int written = std::snprintf(buffer, size, DELETE_COMMAND_FORMAT, packageName.c_str());
    return static_cast<size_t>(written) < size;
}
