#include "device_list.h"

// No POSIX system keeps a list of Windows' driver packages.
bool readSystemDeviceList(std::vector<SystemDevice>& /*devices*/) {
    return false;
}
