// Built with the world part (level 2) only: a header of checks/ (level 4) is above it,
// so this include must not compile. The test kest_host.layers.upward_include expects
// the compiler to say that the header is not found.
#include "checks/check.h"

int kest_layers_upward_probe() {
    return 0;
}
