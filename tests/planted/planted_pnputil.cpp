// Planted as pnputil in the folder the tool is started from. The tool must never run it; if it
// does, it leaves a mark in its current folder and prints no listing.
#include <fstream>

int main() {
    std::ofstream("planted-pnputil-ran") << "ran\n";
    return 0;
}
