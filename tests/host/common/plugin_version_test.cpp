// The version a plug-in file carries, read from its bytes: from the built plug-in,
// from the Windows DLL when a build tree holds one, and from malformed images.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "common/plugin_version.h"

namespace kest_host {
namespace {

void put16(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8U);
}
void put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    put16(b, at, v & 0xFFFFU);
    put16(b, at + 2, v >> 16U);
}

// A 32-bit PE image with one section holding a version resource of 1.2.3.1000. The
// version block is its last byte that matters: kRead.
constexpr std::size_t kRead = 0x200 + 0x58 + 92;
std::vector<uint8_t> small_image() {
    std::vector<uint8_t> b(0x300, 0);
    b[0] = 'M';
    b[1] = 'Z';
    put32(b, 0x3C, 0x40);
    put32(b, 0x40, 0x00004550);        // PE\0\0
    put16(b, 0x46, 1);                 // one section
    put16(b, 0x54, 0xE0);              // the optional header's size
    put16(b, 0x58, 0x10B);             // PE32
    put32(b, 0x58 + 92, 16);           // data directories
    put32(b, 0x58 + 96 + 16, 0x1000);  // the resource directory's address and size
    put32(b, 0x58 + 96 + 20, 0x100);
    const std::size_t section = 0x58 + 0xE0;
    put32(b, section + 8, 0x100);    // length in memory
    put32(b, section + 12, 0x1000);  // address
    put32(b, section + 16, 0x100);   // length in the file
    put32(b, section + 20, 0x200);   // offset in the file
    const std::size_t r = 0x200;
    put16(b, r + 14, 1);  // type: one numbered entry, the version resource
    put32(b, r + 16, 16);
    put32(b, r + 20, 0x80000000U | 0x18);
    put16(b, r + 0x18 + 14, 1);  // name
    put32(b, r + 0x28, 1);
    put32(b, r + 0x2C, 0x80000000U | 0x30);
    put16(b, r + 0x30 + 14, 1);  // language, then the data entry
    put32(b, r + 0x40, 0x409);
    put32(b, r + 0x44, 0x48);
    put32(b, r + 0x48, 0x1000 + 0x58);
    put32(b, r + 0x4C, 92);
    const std::size_t v = r + 0x58;
    put16(b, v, 92);
    put16(b, v + 2, 52);
    const std::string key = "VS_VERSION_INFO";
    for (std::size_t i = 0; i < key.size(); ++i) {
        put16(b, v + 6 + 2 * i, static_cast<uint8_t>(key[i]));
    }
    put32(b, v + 40, 0xFEEF04BDU);
    put32(b, v + 48, (1U << 16U) | 2U);
    put32(b, v + 52, (3U << 16U) | 1000U);
    return b;
}

std::optional<std::string> pe(const std::vector<uint8_t>& b) {
    return pe_file_version(b.data(), b.size());
}

TEST(plugin_version, a_version_resource_is_read_and_a_broken_one_gives_none) {
    const std::vector<uint8_t> image = small_image();
    EXPECT_EQ(pe(image), "1.2.3.1000");
    // Cut anywhere before the version block ends: no version, and no read past the
    // bytes (each cut is a buffer of its own, for the sanitizers).
    for (std::size_t n = 0; n < kRead; ++n) {
        const std::vector<uint8_t> cut(image.begin(),
                                       image.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(pe(cut), std::nullopt) << n;
    }
    // Offsets that point outside the file or the section.
    for (const auto& [at, value] : std::vector<std::pair<std::size_t, uint32_t>>{
             {0x3C, 0xFFFFFFF0U},                     // the PE header
             {0x46, 0xFFFF},                          // sections beyond the file
             {0x58 + 96 + 16, 0x7FFFFFFF},            // the resource directory
             {0x200 + 20, 0x80000000U | 0x7FFFFFF0},  // a subdirectory
             {0x200 + 0x48, 0x1000 + 0xF0},           // the block across the section's end
             {0x200 + 0x4C, 0xFFFFFFFFU},             // the block's length
             {0x200 + 0x58 + 40, 0},                  // the fixed information's signature
         }) {
        std::vector<uint8_t> broken = image;
        put32(broken, at, value);
        EXPECT_EQ(pe(broken), std::nullopt) << "at " << at;
    }
    // Any single byte changed: a version or none, never a crash.
    for (std::size_t at = 0; at < kRead; ++at) {
        std::vector<uint8_t> flipped = image;
        flipped[at] ^= 0xFFU;
        (void)pe(flipped);
    }
}

std::optional<std::string> marker(const std::string& bytes) {
    return marker_version(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(plugin_version, the_marker_needs_a_whole_version_ended_by_nul) {
    using namespace std::string_literals;
    EXPECT_EQ(marker("\x7F"
                     "ELF..KESTVER:1.0.0.1\0rest"s),
              "1.0.0.1");
    EXPECT_EQ(marker("KESTVER:\0KESTVER:2.5\0"s), "2.5") << "the needle alone is skipped";
    EXPECT_EQ(marker("KESTVER:1..2\0"s), std::nullopt);
    EXPECT_EQ(marker("KESTVER:1.0x\0"s), std::nullopt);
    EXPECT_EQ(marker("KESTVER:1.0.0.1"s), std::nullopt) << "cut before its NUL";
    EXPECT_EQ(marker("KESTVER:" + std::string(40, '1') + "\0"s), std::nullopt);
}

#ifdef KEST_TAVRIN_PLUGIN
TEST(plugin_version, the_built_plugin_carries_the_project_version) {
    const plugin_file_version found = read_plugin_version(KEST_TAVRIN_PLUGIN);
    EXPECT_EQ(found.version, std::optional<std::string>(KEST_PROJECT_VERSION)) << found.why;
    const plugin_file_version missing = read_plugin_version(KEST_TAVRIN_PLUGIN ".gone");
    EXPECT_FALSE(missing.version);
    EXPECT_NE(missing.why.find(".gone"), std::string::npos) << missing.why;
}

TEST(plugin_version, the_windows_dll_of_a_build_tree_carries_it_in_its_resource) {
    const std::string dll = KEST_SOURCE_DIR "/build/win32/bin/Tavrin.dll";
    if (!std::ifstream(dll)) {
        GTEST_SKIP() << "no " << dll << " (the win32 preset builds it)";
    }
    const plugin_file_version found = read_plugin_version(dll);
    EXPECT_EQ(found.version, std::optional<std::string>(KEST_PROJECT_VERSION)) << found.why;
}
#endif

}  // namespace
}  // namespace kest_host
