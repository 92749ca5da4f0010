// Report files are named on the command line and written at the end of a run; a path
// that cannot be written must stop the run before it starts, not after it.
#pragma once

#include <string>

namespace kest_host::report {

// True when `path` can be written. An existing file is opened for appending and left
// as it was; a new one is created and removed again. On failure `error` is
// "cannot write PATH: REASON".
bool probe_output_path(const std::string& path, std::string& error);

}  // namespace kest_host::report
