#pragma once

// Limits where the process looks for the DLLs it loads to the system folder, so that a DLL
// lying beside the tool (in Downloads, say) never runs with the tool's administrator rights.
// Called first thing in main. If the limit cannot be set it says so on standard error and
// returns false: the tool then does nothing.
bool loadLibrariesFromSystemFolderOnly();
