// What `kest-host --version` says, and the HTML report and JUnit properties repeat:
// the host's own version, commit and build type, and the plug-in it loads with the
// version that file carries.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace kest_host {

// The facts, as name and value: "kest-host version", "kest-host commit",
// "kest-host build type", "plug-in", "plug-in version". The plug-in's version is read
// from `plugin` now; when the file has none the value says why.
std::vector<std::pair<std::string, std::string>> about_build(const std::string& plugin);

// Prints the facts for `plugin`, one a line. Returns 0, or 2 when the plug-in's
// version could not be read (the reason also goes to `err`).
int print_version(const std::string& plugin, std::ostream& out, std::ostream& err);

}  // namespace kest_host
