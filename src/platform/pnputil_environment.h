#pragma once

#include <string>
#include <vector>

// The environment block that the elevated pnputil is started with on Windows: the entries of the
// tool's environment ("NAME=value") in their order, less PATH, SystemRoot, windir and
// __COMPAT_LAYER in any letter case, then PATH made of the system's folders, and SystemRoot and
// windir naming the Windows folder. Each entry ends in a zero byte, and an empty one ends the
// block.
std::vector<char> pnputilEnvironmentBlock(const std::vector<std::string>& toolEnvironment,
                                          const std::string& systemFolder,
                                          const std::string& windowsFolder);
