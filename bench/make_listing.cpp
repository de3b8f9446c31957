// Writes a benchmark listing to standard output: make_listing realistic|machine|hostile DEVICES
// [lf] Its lines end in "\r\n", as pnputil writes them, or in "\n" with lf.
#include "listing_shapes.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct NamedShape {
    const char* name;
    ListingShape shape;
};
constexpr NamedShape SHAPES[] = {{"realistic", ListingShape::Realistic},
                                 {"machine", ListingShape::Machine},
                                 {"hostile", ListingShape::Hostile}};

} // namespace

int main(int argc, char** argv) {
    const std::string name = argc > 1 ? argv[1] : "";
    const int devices = argc > 2 ? std::atoi(argv[2]) : 0;
    const std::string lineEnd = argc > 3 && std::string(argv[3]) == "lf" ? "\n" : "\r\n";
    for (const NamedShape& shape : SHAPES) {
        if (name == shape.name && devices > 0) {
            generateListing(shape.shape, devices, lineEnd, [](const std::string& text) {
                std::fwrite(text.data(), 1, text.size(), stdout);
            });
            return 0;
        }
    }
    std::fprintf(stderr, "usage: make_listing realistic|machine|hostile DEVICES [lf]\n");
    return 2;
}
