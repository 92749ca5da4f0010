// File-name helpers shared by the host's parts.
#pragma once

#include <string>

namespace kest_host {

// The directory part of a file name ("." when it has none, "/" for a file at the root);
// never ends with a separator except for the root.
std::string directory_of(const std::string& file);

// True for "/x", "\x" and "C:..." names.
bool is_absolute_path(const std::string& path);

}  // namespace kest_host
