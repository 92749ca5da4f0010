// kest_config: the framework's configuration object.
//
// A panel holds one by value; this implementation keeps no settings and does
// nothing when it is made or destroyed.
#pragma once

#include "kest_framework_export.h"

class KEST_CONFIG_API kest_config {
  public:
    kest_config();
    virtual ~kest_config();

  private:
    kest_config(const kest_config&) = delete;
    kest_config& operator=(const kest_config&) = delete;
};
