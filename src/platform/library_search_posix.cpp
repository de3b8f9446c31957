#include "library_search.h"

// A POSIX build never runs elevated: there is no folder to keep out of the search.
bool loadLibrariesFromSystemFolderOnly() {
    return true;
}
