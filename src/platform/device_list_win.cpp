#include "device_list.h"

#include "code_page_win.h"

#include <windows.h>

#include <setupapi.h>

#include <cstring>
#include <vector>

namespace {

// The SetupAPI functions the list is read with, taken from setupapi.dll by name.
struct SetupApi {
    decltype(&SetupDiGetClassDevsW) getClassDevs = nullptr;
    decltype(&SetupDiEnumDeviceInfo) enumDeviceInfo = nullptr;
    decltype(&SetupDiGetDeviceInstanceIdW) getDeviceInstanceId = nullptr;
    decltype(&SetupDiGetDeviceRegistryPropertyW) getDeviceRegistryProperty = nullptr;
    decltype(&SetupDiOpenDevRegKey) openDevRegKey = nullptr;
    decltype(&SetupDiDestroyDeviceInfoList) destroyDeviceInfoList = nullptr;
};

template <typename Function> bool take(HMODULE module, const char* name, Function& function) {
    // Through void*: GetProcAddress's own type has no parameters.
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

bool takeFunctions(HMODULE module, SetupApi& api) {
    return take(module, "SetupDiGetClassDevsW", api.getClassDevs) &&
           take(module, "SetupDiEnumDeviceInfo", api.enumDeviceInfo) &&
           take(module, "SetupDiGetDeviceInstanceIdW", api.getDeviceInstanceId) &&
           take(module, "SetupDiGetDeviceRegistryPropertyW", api.getDeviceRegistryProperty) &&
           take(module, "SetupDiOpenDevRegKey", api.openDevRegKey) &&
           take(module, "SetupDiDestroyDeviceInfoList", api.destroyDeviceInfoList);
}

// The UTF-8 of a UTF-16 string value of size bytes, less the zeros that end it; none for a value
// that is not whole UTF-16 units. A zero before its end stays, for addSystemDevice to refuse.
std::optional<std::string> textOf(const std::vector<BYTE>& value, DWORD size) {
    if (size % sizeof(wchar_t) != 0) {
        return std::nullopt;
    }
    std::wstring units(size / sizeof(wchar_t), L'\0');
    if (!units.empty()) {
        std::memcpy(&units[0], value.data(), size);
    }
    units.erase(units.find_last_not_of(L'\0') + 1);
    std::string text;
    encodeFromWide(CP_UTF8, 0, nullptr, units, text);
    return text;
}

// Reads a string value whole, whatever its length. tryRead(room, roomSize, size) reads it into
// room and returns true, size then its size in bytes; or returns false, size then the room it
// needs, or no more than roomSize when it cannot be read at all. The first try has no room, so
// it asks for the size; a value that grew in between is asked for again.
template <typename TryRead> std::optional<std::string> readWhole(TryRead tryRead) {
    std::vector<BYTE> room;
    DWORD size = 0;
    while (!tryRead(room.empty() ? nullptr : room.data(), static_cast<DWORD>(room.size()), size)) {
        if (size <= room.size()) {
            return std::nullopt;
        }
        room.resize(size);
    }
    return textOf(room, size);
}

std::optional<std::string> readInstanceId(const SetupApi& api, HDEVINFO set,
                                          SP_DEVINFO_DATA& device) {
    return readWhole([&](BYTE* room, DWORD roomSize, DWORD& size) {
        DWORD characters = 0;
        const BOOL read = api.getDeviceInstanceId(set, &device, reinterpret_cast<PWSTR>(room),
                                                  roomSize / sizeof(wchar_t), &characters);
        size = characters * sizeof(wchar_t);
        return read != 0;
    });
}

std::optional<std::string> readDescription(const SetupApi& api, HDEVINFO set,
                                           SP_DEVINFO_DATA& device) {
    return readWhole([&](BYTE* room, DWORD roomSize, DWORD& size) {
        DWORD type = 0;
        size = 0;
        const BOOL read = api.getDeviceRegistryProperty(set, &device, SPDRP_DEVICEDESC, &type, room,
                                                        roomSize, &size);
        return read != 0 && type == REG_SZ;
    });
}

// The InfPath value of the device's driver key: the published name of its driver package.
std::optional<std::string> readDriverName(const SetupApi& api, HDEVINFO set,
                                          SP_DEVINFO_DATA& device) {
    const HKEY key =
        api.openDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<std::string> name = readWhole([&](BYTE* room, DWORD roomSize, DWORD& size) {
        DWORD type = 0;
        size = roomSize;
        const LONG result = RegQueryValueExW(key, L"InfPath", nullptr, &type, room, &size);
        if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) {
            size = 0;
        }
        // With no room, a value that is there reports success and its size.
        return result == ERROR_SUCCESS && size <= roomSize && type == REG_SZ;
    });
    RegCloseKey(key);
    return name;
}

bool readDevices(const SetupApi& api, std::vector<SystemDevice>& devices) {
    // Every device of the USB enumerator, connected or not (no DIGCF_PRESENT), as pnputil lists
    // them.
    const HDEVINFO set = api.getClassDevs(nullptr, L"USB", nullptr, DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) {
        return false;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; api.enumDeviceInfo(set, index, &device) != 0; ++index) {
        std::optional<std::string> instanceId = readInstanceId(api, set, device);
        if (instanceId) {
            devices.push_back({std::move(*instanceId), readDescription(api, set, device),
                               readDriverName(api, set, device)});
        }
    }
    // A list cut short by an error is no list: it could lack the very devices asked for.
    const bool whole = GetLastError() == ERROR_NO_MORE_ITEMS;
    api.destroyDeviceInfoList(set);
    return whole;
}

} // namespace

bool readSystemDeviceList(std::vector<SystemDevice>& devices) {
    // Loaded only now, long after main limited the DLL search, and from the system folder alone.
    // Imported, setupapi.dll would load at start, before that limit, and the DLLs it imports in
    // turn would be looked for beside the executable first.
    const HMODULE module = LoadLibraryExW(L"setupapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) {
        return false;
    }
    SetupApi api;
    const bool listed = takeFunctions(module, api) && readDevices(api, devices);
    FreeLibrary(module);
    return listed;
}
