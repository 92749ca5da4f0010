#include "app/about.h"

#include <algorithm>

#include "common/plugin_version.h"
#include "common/printable.h"

#ifndef KEST_HOST_VERSION
#error "the build passes kest-host's version, commit and build type"
#endif

namespace kest_host {

namespace {

std::string or_unknown(const char* text) {
    return *text != '\0' ? std::string(text) : std::string("unknown");
}

std::vector<std::pair<std::string, std::string>> facts(const std::string& plugin,
                                                       const plugin_file_version& found) {
    return {
        {"kest-host version", or_unknown(KEST_HOST_VERSION)},
        {"kest-host commit", or_unknown(KEST_HOST_COMMIT)},
        {"kest-host build type", or_unknown(KEST_HOST_BUILD_TYPE)},
        {"plug-in", printable(plugin)},
        {"plug-in version", found.version ? *found.version : "none: " + found.why},
    };
}

}  // namespace

std::vector<std::pair<std::string, std::string>> about_build(const std::string& plugin) {
    return facts(plugin, read_plugin_version(plugin));
}

int print_version(const std::string& plugin, std::ostream& out, std::ostream& err) {
    const plugin_file_version found = read_plugin_version(plugin);
    const auto all = facts(plugin, found);
    std::size_t width = 0;
    for (const auto& fact : all) {
        width = std::max(width, fact.first.size());
    }
    for (const auto& [name, value] : all) {
        out << name << std::string(width + 2 - name.size(), ' ') << value << "\n";
    }
    if (!found.version) {
        err << "kest-host: error: " << found.why
            << "; name the plug-in binary with --plugin PATH\n";
        return 2;
    }
    return 0;
}

}  // namespace kest_host
