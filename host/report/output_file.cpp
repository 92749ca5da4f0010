#include "report/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kest_host::report {

bool probe_output_path(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "cannot write an empty path";
        return false;
    }
    // "r+" opens an existing file for writing without changing it; only when there is
    // none is one made (and removed, so that a run that stops early leaves nothing).
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    bool created = false;
    if (file == nullptr && errno == ENOENT) {
        file = std::fopen(path.c_str(), "wb");
        created = file != nullptr;
    }
    if (file == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    std::fclose(file);
    if (created) {
        std::remove(path.c_str());
    }
    return true;
}

}  // namespace kest_host::report
