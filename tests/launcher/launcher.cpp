// Starts the program named by its one argument as a launcher may: the program's standard input,
// output and error are this launcher's own, as handles valid in the program that it cannot pass
// on by inheritance. Waits for the program and ends with its exit status (2 if it cannot start).
#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <cstdio>
#include <string>

namespace {

// In a process's parameters the console handle and its flags come first among the pointers,
// then the standard input, output and error.
constexpr size_t STANDARD_HANDLES_OFFSET =
    offsetof(RTL_USER_PROCESS_PARAMETERS, Reserved2) + 2 * sizeof(void*);

// Puts copies of the launcher's standard handles, not inheritable, into the suspended process.
bool placeStandardHandles(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic{};
    char* parameters = nullptr;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                  nullptr) != 0 ||
        ReadProcessMemory(process,
                          reinterpret_cast<char*>(basic.PebBaseAddress) +
                              offsetof(PEB, ProcessParameters),
                          &parameters, sizeof parameters, nullptr) == 0) {
        return false;
    }
    HANDLE handles[3];
    const DWORD standard[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (int i = 0; i < 3; ++i) {
        if (DuplicateHandle(GetCurrentProcess(), GetStdHandle(standard[i]), process, &handles[i], 0,
                            FALSE, DUPLICATE_SAME_ACCESS) == 0) {
            return false;
        }
    }
    return WriteProcessMemory(process, parameters + STANDARD_HANDLES_OFFSET, handles,
                              sizeof handles, nullptr) != 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: launcher PROGRAM\n", stderr);
        return 2;
    }
    std::string commandLine = std::string("\"") + argv[1] + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES; // all null: the handles are placed before it runs
    PROCESS_INFORMATION started{};
    if (CreateProcessA(argv[1], commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                       nullptr, nullptr, &startup, &started) == 0) {
        std::fprintf(stderr, "launcher: cannot start %s\n", argv[1]);
        return 2;
    }
    if (!placeStandardHandles(started.hProcess)) {
        std::fputs("launcher: cannot give the program its standard handles\n", stderr);
        TerminateProcess(started.hProcess, 2);
        return 2;
    }
    ResumeThread(started.hThread);
    DWORD status = 2;
    WaitForSingleObject(started.hProcess, INFINITE);
    GetExitCodeProcess(started.hProcess, &status);
    return static_cast<int>(status);
}
