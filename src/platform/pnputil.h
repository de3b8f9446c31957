#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What the tool relies on from the Plug and Play utility, which it runs by name.
constexpr const char* LISTING_COMMAND = "pnputil /enum-devices /format xml";
constexpr const char DELETE_COMMAND_FORMAT[] = "pnputil /delete-driver \"%s\" /uninstall";
// The listing's root element, which stands before any device block. An older pnputil, without
// /enum-devices /format xml, prints its usage or an error instead, without it.
constexpr std::string_view LISTING_ROOT_START_TAG = "<PnpUtil";

// The deletion succeeded, or the package is no longer an installed OEM INF.
constexpr int32_t DELETE_STATUS_SUCCESS = 0;
constexpr int32_t DELETE_STATUS_NOT_INSTALLED_OEM_INF = static_cast<int32_t>(0xE000023CU);

// Formats the deletion command line for packageName into buffer (size bytes, zero included)
// with the bounded formatter. Returns false, writing nothing past the buffer, if it does not fit.
bool formatDeleteCommand(char* buffer, size_t size, const std::string& packageName);
