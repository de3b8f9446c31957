// Stand-in for the Windows Plug and Play utility, for tests and the demo. It knows the two
// commands the tool runs and answers them from a machine file instead of the device manager.
//
//   PNPUTIL_STANDIN_MACHINE  machine file (see sample-machine.tsv); the sample machine if unset
//   PNPUTIL_STANDIN_LISTING  a file printed verbatim as the listing, instead of the machine's
//   PNPUTIL_STANDIN_STATE    file of deleted driver packages; one in the temp folder if unset
//   PNPUTIL_STANDIN_ENVIRONMENT  file to which each run appends the variables that choose what
//                            an elevated program loads: PATH, SystemRoot, windir, __COMPAT_LAYER
//   PNPUTIL_STANDIN_INPUT_TO_ERROR  when set, each run passes one line of its standard input on
//                            to its standard error, so that the next run finds the next line
//   PNPUTIL_STANDIN_BYTE_PAUSE_MS  writes the output a byte at a time, pausing this many
//                            milliseconds after each, so that every read of it gets one byte
//
// Like the real utility it ends its lines with "\r\n" on every platform, and on Windows writes
// its messages in the console's code page (the machine file holds them in UTF-8).

#include "sample_machine.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#endif

namespace {

constexpr int EXIT_NOT_INSTALLED_OEM_INF = static_cast<int>(0xE000023CU);
constexpr int EXIT_INVALID_PARAMETER = 87;
constexpr const char* HEADER = "Microsoft PnP Utility\r\n\r\n";

struct ScriptedFailure {
    std::string driverName;
    int status = 0;
    std::string message;
};

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Writes text to standard output, a byte at a time if PNPUTIL_STANDIN_BYTE_PAUSE_MS says so.
void emit(const std::string& text) {
    static const long pauseMs =
        std::strtol(environment("PNPUTIL_STANDIN_BYTE_PAUSE_MS").c_str(), nullptr, 10);
    if (pauseMs <= 0) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return;
    }
    for (const char c : text) {
        std::fputc(c, stdout);
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
}

// A message as the real utility writes it: on Windows in the code page of the console it shares
// with the tool (the OEM one when there is none), a character the code page lacks as '?'.
std::string inConsoleCodePage(const std::string& utf8) {
#ifdef _WIN32
    const UINT codePage = GetConsoleOutputCP() != 0 ? GetConsoleOutputCP() : GetOEMCP();
    const int utf8Length = static_cast<int>(utf8.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), utf8Length, nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), utf8Length, &wide[0], wideLength);
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), wideLength, &text[0], length, nullptr, nullptr);
    return text;
#else
    return utf8;
#endif
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool listed(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return sameName(n, name); });
}

std::string xmlEscaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string statePath() {
    std::string path = environment("PNPUTIL_STANDIN_STATE");
    if (!path.empty()) {
        return path;
    }
    return (std::filesystem::temp_directory_path() / "pnputil-standin-state.txt").string();
}

std::vector<std::string> deletedPackages() {
    std::vector<std::string> names;
    std::ifstream state(statePath());
    for (std::string line; std::getline(state, line);) {
        if (!line.empty()) {
            names.push_back(line);
        }
    }
    return names;
}

// Calls onRecord with the fields of every record of the machine file, in order.
template <typename OnRecord> bool forEachMachineRecord(OnRecord onRecord) {
    const std::string path = environment("PNPUTIL_STANDIN_MACHINE");
    std::ifstream file;
    std::istringstream sample;
    std::istream* machine = &sample;
    if (path.empty()) {
        sample.str(SAMPLE_MACHINE);
    } else {
        file.open(path, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "pnputil stand-in: cannot read machine file %s\n", path.c_str());
            return false;
        }
        machine = &file;
    }
    for (std::string line; std::getline(*machine, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] != '#') {
            onRecord(splitTabs(line));
        }
    }
    return true;
}

bool printFileVerbatim(const std::string& path) {
    std::ifstream listing(path, std::ios::binary);
    if (!listing) {
        std::fprintf(stderr, "pnputil stand-in: cannot read listing %s\n", path.c_str());
        return false;
    }
    std::vector<char> block(1 << 16);
    while (listing.read(block.data(), static_cast<std::streamsize>(block.size())) ||
           listing.gcount() > 0) {
        emit(std::string(block.data(), static_cast<size_t>(listing.gcount())));
    }
    return true;
}

int enumerateDevices() {
    const std::string rawListing = environment("PNPUTIL_STANDIN_LISTING");
    if (!rawListing.empty()) {
        return printFileVerbatim(rawListing) ? 0 : 1;
    }
    const std::vector<std::string> deleted = deletedPackages();
    static const char* const ELEMENTS[] = {"DeviceDescription", "ClassName", "ClassGuid",
                                           "ManufacturerName",  "Status",    "DriverName"};
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                      "<PnpUtil Version=\"10.0.26100\" Command=\"/enum-devices /format xml\">\r\n";
    const bool read = forEachMachineRecord([&](const std::vector<std::string>& fields) {
        if (fields[0] != "device" || fields.size() < 2) {
            return;
        }
        out += "    <Device InstanceId=\"" + xmlEscaped(fields[1]) + "\">\r\n";
        for (size_t i = 0; i < 6 && i + 2 < fields.size(); ++i) {
            const std::string& value = fields[i + 2];
            const bool driverDeleted = i == 5 && listed(deleted, value);
            if (!value.empty() && !driverDeleted) {
                out += std::string("        <") + ELEMENTS[i] + ">" + xmlEscaped(value) + "</" +
                       ELEMENTS[i] + ">\r\n";
            }
        }
        out += "    </Device>\r\n";
        emit(out);
        out.clear();
    });
    out += "</PnpUtil>\r\n";
    emit(out);
    return read ? 0 : 1;
}

int deleteDriver(const std::string& name) {
    std::vector<std::string> installed;
    std::vector<ScriptedFailure> failures;
    forEachMachineRecord([&](const std::vector<std::string>& fields) {
        if (fields[0] == "device" && fields.size() >= 8 && !fields[7].empty()) {
            installed.push_back(fields[7]);
        } else if (fields[0] == "failure" && fields.size() >= 4) {
            failures.push_back({fields[1],
                                static_cast<int>(std::strtoul(fields[2].c_str(), nullptr, 0)),
                                fields[3]});
        }
    });
    emit(HEADER);
    for (const ScriptedFailure& failure : failures) {
        if (sameName(failure.driverName, name)) {
            emit(inConsoleCodePage(failure.message) + "\r\n");
            return failure.status;
        }
    }
    if (!listed(installed, name) || listed(deletedPackages(), name)) {
        emit("Failed to delete driver package: The specified file is not an installed OEM "
             "INF.\r\n");
        return EXIT_NOT_INSTALLED_OEM_INF;
    }
    std::ofstream(statePath(), std::ios::app) << name << "\n";
    emit("Driver package uninstalled.\r\nDriver package deleted successfully.\r\n");
    return 0;
}

int usage() {
    emit(std::string(HEADER) + "This stand-in knows only these commands:\r\n"
                               "  pnputil /enum-devices /format xml\r\n"
                               "  pnputil /delete-driver <oem#.inf> /uninstall\r\n");
    return EXIT_INVALID_PARAMETER;
}

void recordEnvironment() {
    const std::string record = environment("PNPUTIL_STANDIN_ENVIRONMENT");
    if (record.empty()) {
        return;
    }
    std::ofstream out(record, std::ios::app);
    for (const char* name : {"PATH", "SystemRoot", "windir", "__COMPAT_LAYER"}) {
        out << name << '=' << environment(name) << '\n';
    }
}

// Shows that the standard input and error are the ones the tool was given: a line read from the
// one arrives in the other. Read a byte at a time, so that no more than the line is taken.
void passInputLineToError() {
    if (environment("PNPUTIL_STANDIN_INPUT_TO_ERROR").empty()) {
        return;
    }
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        std::fputc(c, stderr);
        if (c == '\n') {
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The line ends are written as they stand, and a verbatim listing keeps its bytes.
    _setmode(_fileno(stdout), _O_BINARY);
#else
    // As on Windows, a write to a pipe whose reader has closed it fails, and the stand-in still
    // ends with the status it answers, rather than being killed by the signal.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    recordEnvironment();
    passInputLineToError();
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args == std::vector<std::string>{"/enum-devices", "/format", "xml"}) {
        return enumerateDevices();
    }
    if (args.size() == 3 && args[0] == "/delete-driver" && args[2] == "/uninstall") {
        return deleteDriver(args[1]);
    }
    return usage();
}
