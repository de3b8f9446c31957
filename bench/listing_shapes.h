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

// One device of a real PC's kinds, with its numbers drawn from `seed`: USB, HID and PCI vendor and
// product numbers run through every value (about one USB id in sixteen has a vendor number
// ending in '4', as the FX2's does).
struct MachineDevice {
    std::string instanceId, description, className, classGuid, manufacturer, driver;
};

inline MachineDevice machineDevice(uint32_t seed) {
    const uint32_t hash = seed * 2654435761U;
    const unsigned vendor = hash >> 16;
    const unsigned product = (hash & 0xFFFFU) ^ (seed >> 3);
    const auto text = [](const char* format, auto... values) {
        char id[160];
        std::snprintf(id, sizeof id, format, values...);
        return std::string(id);
    };
    // Never the FX2 without EEPROM: only the listing's two targets are.
    const unsigned usbProduct = vendor == 0x04B4 && product == 0x8613 ? 0x8614 : product;
    switch (seed % 12) {
    case 0:
        return {text("PCI\\VEN_%04X&amp;DEV_%04X&amp;SUBSYS_%08X&amp;REV_%02X\\3&amp;11583659&amp;"
                     "0&amp;%02X",
                     vendor, product, hash, seed % 256, seed % 255),
                "PCI Express Root Port",
                "System",
                "{4d36e97d-e325-11ce-bfc1-08002be10318}",
                "(Standard system devices)",
                "pci.inf"};
    case 1:
        return {text("USB\\VID_%04X&amp;PID_%04X\\5&amp;%08x&amp;0&amp;%u", vendor, usbProduct,
                     hash, seed % 14),
                "USB Composite Device",
                "USB",
                "{36fc9e60-c465-11cf-8056-444553540000}",
                "(Standard USB Host Controller)",
                seed % 5 == 0 ? "" : "usb.inf"};
    case 2:
        return {text("USB\\VID_%04X&amp;PID_%04X&amp;MI_%02X\\6&amp;%08x&amp;0&amp;%04X", vendor,
                     usbProduct, seed % 4, hash, seed % 4),
                "USB Input Device",
                "HIDClass",
                "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}",
                "(Standard system devices)",
                "input.inf"};
    case 3:
        return {
            text("HID\\VID_%04X&amp;PID_%04X&amp;MI_%02X&amp;Col%02X\\7&amp;%08x&amp;0&amp;%04X",
                 vendor, product, seed % 3, seed % 5 + 1, hash, seed % 7),
            "HID-compliant mouse",
            "Mouse",
            "{4d36e96f-e325-11ce-bfc1-08002be10318}",
            "Microsoft",
            "msmouse.inf"};
    case 4:
        return {text("HID\\{00001124-0000-1000-8000-00805f9b34fb}_VID&amp;0002%04x_PID&amp;%04x\\8&"
                     "amp;%08x&amp;0&amp;0000",
                     vendor, product, hash),
                "HID Keyboard Device",
                "Keyboard",
                "{4d36e96b-e325-11ce-bfc1-08002be10318}",
                "(Standard keyboards)",
                "keyboard.inf"};
    case 5:
        return {text("ACPI\\PNP0C%02X\\%u", seed % 32, seed % 10),
                "ACPI Fixed Feature Button",
                "System",
                "{4d36e97d-e325-11ce-bfc1-08002be10318}",
                "(Standard system devices)",
                "machine.inf"};
    case 6:
        return {text("SWD\\MMDEVAPI\\{0.0.0.00000000}.{%08x-%04x-%04x-%04x-%04x%08x}", hash, vendor,
                     product, seed & 0xFFFF, product, hash ^ seed),
                "Speakers (Realtek(R) Audio)",
                "AudioEndpoint",
                "{c166523c-fe0c-4a94-a586-f1a80cfbbf3e}",
                "Microsoft",
                "audioendpoint.inf"};
    case 7:
        return {text("BTHENUM\\{0000110b-0000-1000-8000-00805f9b34fb}_VID&amp;0001%04x_PID&amp;%"
                     "04x\\7&amp;%08x&amp;0&amp;%04X%08X_C00000000",
                     vendor, product, hash, product, hash ^ seed),
                "Bluetooth A2DP audio sink",
                "MEDIA",
                "{4d36e96c-e325-11ce-bfc1-08002be10318}",
                "Microsoft",
                "bthaudio.inf"};
    case 8:
        return {text("HDAUDIO\\FUNC_01&amp;VEN_%04X&amp;DEV_%04X&amp;SUBSYS_%08X&amp;REV_1000\\4&"
                     "amp;%08x&amp;0&amp;0001",
                     vendor, product, hash, hash ^ seed),
                "High Definition Audio Device",
                "MEDIA",
                "{4d36e96c-e325-11ce-bfc1-08002be10318}",
                "Microsoft",
                "hdaudio.inf"};
    case 9:
        return {text("STORAGE\\VOLUME\\{%08x-%04x-11ef-a1b2-806e6f6e6963}#%016llX", hash, vendor,
                     seed * 1048576ULL),
                "Volume",
                "Volume",
                "{71a27cdd-812a-11d0-bec7-08002be2092f}",
                "Microsoft",
                "volume.inf"};
    case 10:
        return {text("DISPLAY\\DEL%04X\\5&amp;%08x&amp;0&amp;UID%u", product, hash, seed % 65536),
                "Generic PnP Monitor",
                "Monitor",
                "{4d36e96e-e325-11ce-bfc1-08002be10318}",
                "(Standard monitor types)",
                "monitor.inf"};
    default:
        return {text("BTHLEDEVICE\\{00001812-0000-1000-8000-00805f9b34fb}_Dev_VID&amp;02%04x_PID&"
                     "amp;%04x_REV&amp;0001_%08x%04x\\9&amp;%08x&amp;0&amp;0009",
                     vendor, product, hash, vendor, hash ^ seed),
                "Bluetooth Low Energy GATT compliant HID device",
                "HIDClass",
                "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}",
                "Microsoft",
                "hidbthle.inf"};
    }
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
