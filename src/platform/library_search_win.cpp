#include "library_search.h"

#include <windows.h>

bool loadLibrariesFromSystemFolderOnly() {
    return SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != 0;
}
