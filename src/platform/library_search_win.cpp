#include "library_search.h"

#include <windows.h>

#include <cstdio>

bool loadLibrariesFromSystemFolderOnly() {
    if (SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) == 0) {
        std::fputs("The DLL search cannot be limited to the system folder; nothing was done.\n",
                   stderr);
        return false;
    }
    return true;
}
