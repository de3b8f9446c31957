#include "app/main_sequence.h"
#include "platform/library_search.h"

#include <cstdio>

int main(int /*argc*/, char** /*argv*/) {
    // Before anything can load a DLL: the first message box loads some.
    if (!loadLibrariesFromSystemFolderOnly()) {
        std::fputs("The DLL search cannot be limited to the system folder; nothing was done.\n",
                   stderr);
        return TOOL_EXIT_STATUS;
    }
    return runTool(systemCommandPipe(), showMessage);
}
