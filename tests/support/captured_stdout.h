#pragma once

#include <functional>
#include <string>

// Runs body with the process's standard output (printf and std::cout alike) sent to a temporary
// file, and returns the bytes written.
std::string captureStdout(const std::function<void()>& body);
