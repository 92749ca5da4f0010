// Built with the world part only, like upward_must_not_compile.cpp: the world's own
// headers and common/'s are found, so that file fails for its layer alone.
#include "common/printable.h"
#include "world/device_world.h"

int kest_layers_downward_probe() {
    return 0;
}
