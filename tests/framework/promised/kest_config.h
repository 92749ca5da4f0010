// The framework's configuration class as a panel may rely on it: made and
// destroyed, nothing more.
#pragma once

class kest_config {
  public:
    kest_config();
    virtual ~kest_config();

  private:
    void* data_;
};
