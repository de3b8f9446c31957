#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// One device of the system's own device list, its fields in UTF-8 as a listing gives them. A
// field that the system does not hold for the device as a string is absent.
struct SystemDevice {
    std::string instanceId;
    std::optional<std::string> description;
    std::optional<std::string> driverName; // the driver package, such as oem12.inf
};

// Fills devices with every device of the USB enumerator, connected or not, in the order the
// system gives them; false when the system gives no device list. Production code uses
// readSystemDeviceList; tests substitute a scripted list.
using DeviceListSeam = std::function<bool(std::vector<SystemDevice>& devices)>;

// Windows reads the list through SetupAPI, only reading; POSIX has no such list.
bool readSystemDeviceList(std::vector<SystemDevice>& devices);
