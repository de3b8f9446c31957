#include "app/main_sequence.h"
#include "platform/library_search.h"

int main(int /*argc*/, char** /*argv*/) {
    // Before anything can load a DLL: the first message box loads some.
    return loadLibrariesFromSystemFolderOnly()
               ? runTool(systemCommandPipe(), showMessage, systemConsole(), readSystemDeviceList)
               : TOOL_EXIT_STATUS;
}
