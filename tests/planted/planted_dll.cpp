// Planted beside the tool as uxtheme.dll, which Windows loads when a message box shows, and as
// setupapi.dll, which the tool loads to read the system's device list. The tool must never load
// it; if it does, it leaves a mark at the path that FX2_PLANTED_MARK names.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
    char mark[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("FX2_PLANTED_MARK", mark, sizeof mark);
    if (reason == DLL_PROCESS_ATTACH && length > 0 && length < sizeof mark) {
        const HANDLE file = CreateFileA(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
    return TRUE;
}
