// The version a plug-in file carries, read from the file's bytes: never from the
// host's own build, so that it says which binary is being commissioned.
//
//   - A Windows DLL (a PE image): the fixed file version of its version resource.
//   - Any other file (a Linux shared library): the text "KESTVER:" followed by the
//     version's digits and dots, which the plug-in's build embeds.
//
// Both readers take any bytes: a truncated or malformed file gives no version, never
// a read outside the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kest_host {

// "1.0.0.1" from the version resource of the PE image in `data`; nothing when the
// bytes are no PE image or hold no well-formed version resource.
std::optional<std::string> pe_file_version(const uint8_t* data, std::size_t size);

// The version after the first "KESTVER:" marker that is followed by a version
// ("1" to "65535.65535.65535.65535" and a NUL); nothing when there is none.
std::optional<std::string> marker_version(const uint8_t* data, std::size_t size);

// What `path` says of itself: the version found, or why there is none.
struct plugin_file_version {
    std::optional<std::string> version;
    std::string why;  // when there is no version: the reason, for a message
};

// Reads the file at `path` (at most 256 MiB) and looks for its version: the PE
// reader for a file that starts with "MZ", the marker for any other.
plugin_file_version read_plugin_version(const std::string& path);

}  // namespace kest_host
