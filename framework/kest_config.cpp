#include "kest_config.h"

// The configuration object keeps no settings: making and destroying it does nothing.
kest_config::kest_config() = default;

kest_config::~kest_config() = default;
