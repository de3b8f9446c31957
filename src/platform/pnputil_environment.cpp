// Without a platform of its own, though only Windows gives pnputil a block: it makes no system
// call, so both builds' unit tests check it, and Wine, which adds SystemRoot to every process it
// starts, cannot hide a fault in it.
#include "pnputil_environment.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

// Variables through which the user could choose what an elevated pnputil loads or how Windows
// runs it. The user's own values come from HKCU\Environment, which any program of theirs can set.
constexpr std::string_view CHOSEN_BY_SYSTEM[] = {
    "PATH=", "SystemRoot=", "windir=", "__COMPAT_LAYER="};

bool isChosenBySystem(const std::string& entry) {
    // Windows compares the names of variables without regard to letter case.
    const auto sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    return std::any_of(std::begin(CHOSEN_BY_SYSTEM), std::end(CHOSEN_BY_SYSTEM),
                       [&](std::string_view name) {
                           return entry.size() >= name.size() &&
                                  std::equal(name.begin(), name.end(), entry.begin(), sameLetter);
                       });
}

} // namespace

std::vector<char> pnputilEnvironmentBlock(const std::vector<std::string>& toolEnvironment,
                                          const std::string& systemFolder,
                                          const std::string& windowsFolder) {
    std::vector<std::string> entries;
    for (const std::string& entry : toolEnvironment) {
        if (!isChosenBySystem(entry)) {
            entries.push_back(entry);
        }
    }
    entries.push_back("PATH=" + systemFolder + ";" + windowsFolder + ";" + systemFolder + "\\Wbem");
    entries.push_back("SystemRoot=" + windowsFolder);
    entries.push_back("windir=" + windowsFolder);
    std::vector<char> block;
    for (const std::string& entry : entries) {
        block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    }
    block.push_back('\0');
    return block;
}
