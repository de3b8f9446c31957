// Planted where the tool must never look for a program to run: as pnputil in the folder the
// tool is started from, or as the command interpreter the user's ComSpec names. If it runs, it
// prints no listing and leaves a mark at the path that FX2_PLANTED_MARK names.
#include <cstdlib>
#include <fstream>

int main() {
    if (const char* mark = std::getenv("FX2_PLANTED_MARK")) {
        std::ofstream(mark) << "ran\n";
    }
    return 0;
}
