#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Listings shaped like the Plug and Play utility's XML, for benchmarks. Every shape holds the
// same two EZ-USB FX2 targets; the rest are other devices.
enum class ListingShape {
    Realistic, // about 400 bytes a device, one element a line, all of one other vendor
    Machine,   // as Realistic, with the buses, classes, vendors and products of a real PC
    Hostile,   // every line about 1,000 bytes of chained escapes ("&amp;amp;amp;..."), and every
               // device of the FX2's vendor, so that each start tag is collapsed
};

// The fields of one device of the listing.
struct MachineDevice {
    std::string instanceId, description, className, classGuid, manufacturer, driver;
};

// The kinds of device of a real PC, each with the shape of its instance id. Every id format is
// given four 16-bit numbers, in order: vendor, product and two of the device's own; it uses as
// many of them as its shape needs, from the first.
struct DeviceKind {
    const char* idFormat;
    const char* description;
    const char* className;
    const char* classGuid;
    const char* manufacturer;
    const char* driver; // empty: no driver, no DriverName element
};
constexpr const char* SYSTEM = "{4d36e97d-e325-11ce-bfc1-08002be10318}";
constexpr const char* USB = "{36fc9e60-c465-11cf-8056-444553540000}";
constexpr const char* MEDIA = "{4d36e96c-e325-11ce-bfc1-08002be10318}";
constexpr const char* HID = "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}";
constexpr DeviceKind MACHINE_KINDS[] = {
    {R"(PCI\VEN_%04X&amp;DEV_%04X&amp;SUBSYS_%04X%04X&amp;REV_10\3&amp;11583659&amp;0&amp;F8)",
     "PCI Express Root Port", "System", SYSTEM, "(Standard system devices)", "pci.inf"},
    {R"(USB\VID_%04X&amp;PID_%04X\5&amp;%04x%04x&amp;0&amp;3)", "USB Composite Device", "USB", USB,
     "(Standard USB Host Controller)", "usb.inf"},
    {R"(USB\VID_%04X&amp;PID_%04X\6&amp;%04x%04x&amp;0&amp;1)", "Unknown USB Device", "USB", USB,
     "(Standard USB Host Controller)", ""},
    {R"(USB\VID_%04X&amp;PID_%04X&amp;MI_00\7&amp;%04x%04x&amp;0&amp;0000)", "USB Input Device",
     "HIDClass", HID, "(Standard system devices)", "input.inf"},
    {R"(HID\VID_%04X&amp;PID_%04X&amp;MI_00&amp;Col01\8&amp;%04x%04x&amp;0&amp;0000)",
     "HID-compliant mouse", "Mouse", "{4d36e96f-e325-11ce-bfc1-08002be10318}", "Microsoft",
     "msmouse.inf"},
    {R"(HID\{00001124-0000-1000-8000-00805f9b34fb}_VID&amp;0002%04x_PID&amp;%04x\9&amp;%04x%04x&amp;0&amp;0000)",
     "HID Keyboard Device", "Keyboard", "{4d36e96b-e325-11ce-bfc1-08002be10318}",
     "(Standard keyboards)", "keyboard.inf"},
    {R"(ACPI\INT%04X\%u)", "Intel(R) Serial IO GPIO Host Controller", "System", SYSTEM, "Intel",
     "oem7.inf"},
    {R"(SWD\MMDEVAPI\{0.0.0.00000000}.{%04x%04x-%04x-%04x-a586-f1a80cfbbf3e})",
     "Speakers (Realtek(R) Audio)", "AudioEndpoint", "{c166523c-fe0c-4a94-a586-f1a80cfbbf3e}",
     "Microsoft", "audioendpoint.inf"},
    {R"(BTHENUM\{0000110b-0000-1000-8000-00805f9b34fb}_VID&amp;0001%04x_PID&amp;%04x\7&amp;%04x%04x&amp;0&amp;F4BCDA123456_C00000000)",
     "Bluetooth A2DP audio sink", "MEDIA", MEDIA, "Microsoft", "bthaudio.inf"},
    {R"(HDAUDIO\FUNC_01&amp;VEN_%04X&amp;DEV_%04X&amp;SUBSYS_%04X%04X&amp;REV_1000\4&amp;2d3b1a&amp;0&amp;0001)",
     "High Definition Audio Device", "MEDIA", MEDIA, "Microsoft", "hdaudio.inf"},
    {R"(STORAGE\VOLUME\{%04x%04x-%04x-11ef-a1b2-806e6f6e6963}#0000000000%04X00)", "Volume",
     "Volume", "{71a27cdd-812a-11d0-bec7-08002be2092f}", "Microsoft", "volume.inf"},
    {R"(DISPLAY\DEL%04X\5&amp;%04x&amp;0&amp;UID%u)", "Generic PnP Monitor", "Monitor",
     "{4d36e96e-e325-11ce-bfc1-08002be10318}", "(Standard monitor types)", "monitor.inf"},
    {R"(BTHLEDEVICE\{00001812-0000-1000-8000-00805f9b34fb}_Dev_VID&amp;02%04x_PID&amp;%04x_REV&amp;0001_F4BC%04x%04x\9&amp;1a2b3c4d&amp;0&amp;0009)",
     "Bluetooth Low Energy GATT compliant HID device", "HIDClass", HID, "Microsoft",
     "hidbthle.inf"},
};

// One device of a real PC's kinds, with its numbers drawn from `seed`: vendor and product
// numbers run through every value, so that about one USB id in sixteen has a vendor number
// ending in '4', as the FX2's does.
inline MachineDevice machineDevice(uint32_t seed) {
    const uint32_t hash = seed * 2654435761U;
    const unsigned vendor = hash >> 16;
    unsigned product = (hash & 0xFFFFU) ^ (seed >> 3);
    if (vendor == 0x04B4 && product == 0x8613) {
        product ^= 1; // only the listing's two targets are FX2s without EEPROM
    }
    const DeviceKind& kind = MACHINE_KINDS[seed % (sizeof MACHINE_KINDS / sizeof MACHINE_KINDS[0])];
    char id[200];
    std::snprintf(id, sizeof id, kind.idFormat, vendor, product, (hash * 31U) >> 16,
                  seed & 0xFFFFU);
    return {id, kind.description, kind.className, kind.classGuid, kind.manufacturer, kind.driver};
}

// Calls write(text) with consecutive pieces of a listing of deviceCount devices, its lines
// ending in lineEnd: "\r\n" as pnputil writes them, "\n" as the tool reads them.
template <typename Write>
void generateListing(ListingShape shape, int deviceCount, const std::string& lineEnd, Write write) {
    write("<?xml version=\"1.0\" encoding=\"utf-8\"?>" + lineEnd +
          "<PnpUtil Version=\"10.0.26100\" Command=\"/enum-devices /format xml\">" + lineEnd);
    // 230 "amp;" after an '&': over 900 bytes that collapse to a single '&'.
    std::string chain = "&";
    for (int i = 0; i < 230; ++i) {
        chain += "amp;";
    }
    const bool hostile = shape == ListingShape::Hostile;
    const std::string pad = hostile ? chain : std::string();
    for (int i = 0; i < deviceCount; ++i) {
        const bool target = i == deviceCount / 3 || i == 2 * deviceCount / 3;
        const std::string number = std::to_string(i);
        MachineDevice device;
        if (target) {
            device = {"USB\\VID_04B4&amp;PID_8613\\5&amp;1b2e6d3f&amp;0&amp;" + number,
                      "EZ-USB FX2 Development Board (no EEPROM)",
                      "USB",
                      "{36fc9e60-c465-11cf-8056-444553540000}",
                      "(Standard USB Host Controller)",
                      "oem" + number + ".inf"};
        } else if (shape == ListingShape::Machine) {
            device = machineDevice(static_cast<uint32_t>(i));
        } else {
            device = {(hostile
                           ? "USB\\VID_04B4&amp;PID_1004\\8&amp;1e3f2a09&amp;0&amp;"
                           : "USB\\VID_046D&amp;PID_C534&amp;MI_01\\7&amp;9a8b7c6d&amp;0&amp;") +
                          number,
                      "HID-compliant mouse",
                      "USB",
                      "{36fc9e60-c465-11cf-8056-444553540000}",
                      "(Standard USB Host Controller)",
                      "msmouse.inf"};
        }
        std::string block;
        block += "    <Device InstanceId=\"" + device.instanceId + pad + "\">" + lineEnd;
        block += "        <DeviceDescription>" + pad + device.description + "</DeviceDescription>" +
                 lineEnd;
        block += "        <ClassName>" + pad + device.className + "</ClassName>" + lineEnd;
        block += "        <ClassGuid>" + pad + device.classGuid + "</ClassGuid>" + lineEnd;
        block += "        <ManufacturerName>" + pad + device.manufacturer + "</ManufacturerName>" +
                 lineEnd;
        block += "        <Status>" + pad + (device.driver.empty() ? "Disconnected" : "Started") +
                 "</Status>" + lineEnd;
        if (!device.driver.empty()) {
            block += "        <DriverName>" + device.driver + "</DriverName>" + lineEnd;
        }
        block += "    </Device>" + lineEnd;
        write(block);
    }
    write("</PnpUtil>" + lineEnd);
}
