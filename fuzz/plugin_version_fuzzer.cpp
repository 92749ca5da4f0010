// Fuzzes the readers of a plug-in file's version (kest-host --version) on any bytes:
// the PE version resource reader and the KESTVER: marker scan.
//
// Besides memory errors it checks that a version found is well formed: from the PE
// image four numbers of at most 65535 joined by dots; from the marker digits and
// dots, at most 23 characters, that stand in the input right after the marker.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/plugin_version.h"

namespace {

[[noreturn]] void fail(const char* what, std::size_t size) {
    std::fprintf(stderr, "plugin_version: %s (input of %zu bytes)\n", what, size);
    std::abort();
}

bool four_numbers(const std::string& v) {
    int parts = 0;
    std::size_t at = 0;
    while (at <= v.size()) {
        const std::size_t dot = v.find('.', at);
        const std::string part = v.substr(at, dot == std::string::npos ? dot : dot - at);
        if (part.empty() || part.size() > 5 ||
            part.find_first_not_of("0123456789") != std::string::npos || std::stoul(part) > 65535) {
            return false;
        }
        ++parts;
        if (dot == std::string::npos) {
            break;
        }
        at = dot + 1;
    }
    return parts == 4;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (const auto v = kest_host::pe_file_version(data, size)) {
        if (!four_numbers(*v)) {
            fail("a PE version that is not four numbers", size);
        }
    }
    if (const auto v = kest_host::marker_version(data, size)) {
        const std::string found = "KESTVER:" + *v + std::string(1, '\0');
        const std::string input(reinterpret_cast<const char*>(data), size);
        if (v->empty() || v->size() > 23 ||
            v->find_first_not_of("0123456789.") != std::string::npos ||
            input.find(found) == std::string::npos) {
            fail("a marker version that is not in the input as found", size);
        }
    }
    return 0;
}
