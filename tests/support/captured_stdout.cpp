#include "support/captured_stdout.h"

#include <cstdio>
#include <iostream>
#include <stdexcept>
#ifdef _WIN32
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define fileno _fileno
#else
#include <unistd.h>
#endif

std::string captureStdout(const std::function<void()>& body) {
    std::cout.flush();
    std::fflush(stdout);
    std::FILE* sink = std::tmpfile(); // binary: no line-end translation on Windows either
    if (sink == nullptr) {
        throw std::runtime_error("no temporary file for standard output");
    }
    const int saved = dup(fileno(stdout));
    dup2(fileno(sink), fileno(stdout));
    body();
    std::cout.flush();
    std::fflush(stdout);
    dup2(saved, fileno(stdout));
#ifdef _WIN32
    _close(saved);
#else
    ::close(saved);
#endif

    std::string bytes;
    std::rewind(sink);
    char block[4096];
    size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, sink)) > 0) {
        bytes.append(block, n);
    }
    std::fclose(sink);
    return bytes;
}
