// Writes a benchmark listing to standard output: make_listing realistic|hostile DEVICES [lf]
// Its lines end in "\r\n", as pnputil writes them, or in "\n" with lf.
#include "listing_shapes.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const std::string shape = argc > 1 ? argv[1] : "";
    const int devices = argc > 2 ? std::atoi(argv[2]) : 0;
    const std::string lineEnd = argc > 3 && std::string(argv[3]) == "lf" ? "\n" : "\r\n";
    if ((shape != "realistic" && shape != "hostile") || devices <= 0) {
        std::fprintf(stderr, "usage: make_listing realistic|hostile DEVICES [lf]\n");
        return 2;
    }
    generateListing(
        shape == "hostile" ? ListingShape::Hostile : ListingShape::Realistic, devices, lineEnd,
        [](const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); });
    return 0;
}
