// The instance table: what `SD 'NAME'` answers ("DEVICE OFFSET").
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace kest_host {

struct instance_entry {
    int32_t device = 0;
    int32_t offset = 0;
};

class instance_table {
  public:
    void add(const std::string& name, int32_t device, int32_t offset) {
        entries_[name] = {device, offset};
    }
    const instance_entry* find(const std::string& name) const {
        const auto it = entries_.find(name);
        return it == entries_.end() ? nullptr : &it->second;
    }
    // The offset of the first instance on `device` (0 when none).
    int32_t first_offset_on(int32_t device) const {
        for (const auto& [name, entry] : entries_) {
            (void)name;
            if (entry.device == device) {
                return entry.offset;
            }
        }
        return 0;
    }
    const std::map<std::string, instance_entry>& entries() const { return entries_; }

  private:
    std::map<std::string, instance_entry> entries_;
};

}  // namespace kest_host
