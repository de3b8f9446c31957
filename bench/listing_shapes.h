#pragma once

#include <string>

// Listings shaped like the Plug and Play utility's XML, for benchmarks. Every shape holds the
// same two EZ-USB FX2 targets; the rest are other devices.
enum class ListingShape {
    Realistic, // about 400 bytes a device, one element a line
    Hostile,   // every line about 1,000 bytes of chained escapes ("&amp;amp;amp;..."), and every
               // device of the FX2's vendor, so that each start tag is collapsed
};

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
        std::string block;
        block += "    <Device InstanceId=\"";
        block += target ? "USB\\VID_04B4&amp;PID_8613\\5&amp;1b2e6d3f&amp;0&amp;" + number
                 : hostile
                     ? "USB\\VID_04B4&amp;PID_1004\\8&amp;1e3f2a09&amp;0&amp;" + number
                     : "USB\\VID_046D&amp;PID_C534&amp;MI_01\\7&amp;9a8b7c6d&amp;0&amp;" + number;
        block += pad + "\">" + lineEnd;
        block += "        <DeviceDescription>" + pad +
                 (target ? "EZ-USB FX2 Development Board (no EEPROM)" : "HID-compliant mouse") +
                 "</DeviceDescription>" + lineEnd;
        block += "        <ClassName>" + pad + "USB</ClassName>" + lineEnd;
        block += "        <ClassGuid>" + pad +
                 "{36fc9e60-c465-11cf-8056-444553540000}</ClassGuid>" + lineEnd;
        block += "        <ManufacturerName>" + pad +
                 "(Standard USB Host Controller)</ManufacturerName>" + lineEnd;
        block += "        <Status>" + pad + "Started</Status>" + lineEnd;
        block += "        <DriverName>" +
                 (target ? "oem" + number + ".inf" : std::string("msmouse.inf")) + "</DriverName>" +
                 lineEnd;
        block += "    </Device>" + lineEnd;
        write(block);
    }
    write("</PnpUtil>" + lineEnd);
}
