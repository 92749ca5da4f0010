#include "common/paths.h"

namespace kest_host {

std::string directory_of(const std::string& file) {
    const auto cut = file.find_last_of("/\\");
    if (cut == std::string::npos) {
        return ".";
    }
    return file.substr(0, cut == 0 ? 1 : cut);
}

bool is_absolute_path(const std::string& path) {
    return !path.empty() &&
           (path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
}

}  // namespace kest_host
