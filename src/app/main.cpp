#include "app/main_sequence.h"

int main(int /*argc*/, char** /*argv*/) {
    return runTool(systemCommandPipe(), showMessage);
}
