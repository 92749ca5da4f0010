// SHA-256 (FIPS 180-4), for the hash of the report's one inline script that its
// Content-Security-Policy allows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kest_host::report {

std::array<uint8_t, 32> sha256(std::string_view data);

// Standard base64 with padding.
std::string base64(const uint8_t* data, std::size_t size);

}  // namespace kest_host::report
