#include "common/plugin_version.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "common/input_file.h"
#include "common/printable.h"

namespace kest_host {

namespace {

// Reads little-endian fields of a byte range, every read checked against its end.
class bytes {
  public:
    bytes(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool has(uint64_t at, uint64_t n) const { return at <= size_ && n <= size_ - at; }

    std::optional<uint32_t> u16(uint64_t at) const {
        if (!has(at, 2)) {
            return std::nullopt;
        }
        return static_cast<uint32_t>(data_[at] | (data_[at + 1] << 8U));
    }

    std::optional<uint32_t> u32(uint64_t at) const {
        const auto low = u16(at);
        const auto high = u16(at + 2);
        if (!low || !high) {
            return std::nullopt;
        }
        return *low | (*high << 16U);
    }

  private:
    const uint8_t* data_;
    std::size_t size_;
};

constexpr uint32_t kVersionResource = 16;  // the resource type of a version resource
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BDU;
constexpr uint32_t kHighBit = 0x80000000U;
constexpr uint32_t kMaxEntries = 4096;  // far beyond any real resource directory

struct section {
    uint32_t address = 0;  // where the loader puts it (relative to the image)
    uint32_t length = 0;   // its length in memory
    uint32_t raw_size = 0;
    uint32_t raw_offset = 0;  // where it is in the file
};

// The sections of the image and where its resource directory is.
struct image {
    std::vector<section> sections;
    uint32_t resources = 0;  // the resource directory's address, 0 when there is none
};

std::optional<image> read_headers(const bytes& b) {
    const auto pe = b.u32(0x3C);
    if (!pe || b.u32(*pe) != 0x00004550U) {  // "PE\0\0"
        return std::nullopt;
    }
    const uint64_t coff = uint64_t{*pe} + 4;
    const auto count = b.u16(coff + 2);
    const auto optional_size = b.u16(coff + 16);
    const uint64_t optional = coff + 20;
    const auto magic = b.u16(optional);
    if (!count || !optional_size || !magic || (*magic != 0x10B && *magic != 0x20B)) {
        return std::nullopt;
    }
    const uint64_t directories = optional + (*magic == 0x10B ? 96 : 112);
    const auto directory_count = b.u32(directories - 4);
    image result;
    if (directory_count && *directory_count > 2 && directories + 24 <= optional + *optional_size) {
        result.resources = b.u32(directories + 16).value_or(0);
    }
    const uint64_t table = optional + *optional_size;
    for (uint32_t i = 0; i < *count; ++i) {
        const uint64_t at = table + uint64_t{i} * 40;
        const auto length = b.u32(at + 8);
        const auto address = b.u32(at + 12);
        const auto raw_size = b.u32(at + 16);
        const auto raw_offset = b.u32(at + 20);
        if (!length || !address || !raw_size || !raw_offset) {
            return std::nullopt;
        }
        result.sections.push_back({*address, *length, *raw_size, *raw_offset});
    }
    return result;
}

// The file offset of `n` bytes at image address `address`, when they lie in one
// section's bytes in the file.
std::optional<uint64_t> file_offset(const image& im, uint32_t address, uint32_t n) {
    for (const section& s : im.sections) {
        const uint64_t in_memory = s.length > s.raw_size ? s.length : s.raw_size;
        if (address >= s.address && address - s.address < in_memory) {
            const uint64_t into = address - s.address;
            if (into + n > s.raw_size) {
                return std::nullopt;
            }
            return uint64_t{s.raw_offset} + into;
        }
    }
    return std::nullopt;
}

// The entry of the resource directory at `directory` (a file offset) for `id`, or its
// first entry when `id` is empty; its target as a directory offset.
std::optional<uint32_t> entry(const bytes& b, uint64_t directory, std::optional<uint32_t> id) {
    const auto named = b.u16(directory + 12);
    const auto numbered = b.u16(directory + 14);
    if (!named || !numbered) {
        return std::nullopt;
    }
    const uint32_t total = *named + *numbered;
    for (uint32_t i = 0; i < total && i < kMaxEntries; ++i) {
        const uint64_t at = directory + 16 + uint64_t{i} * 8;
        const auto name = b.u32(at);
        const auto target = b.u32(at + 4);
        if (!name || !target) {
            return std::nullopt;
        }
        if (!id || *name == *id) {
            return target;
        }
    }
    return std::nullopt;
}

// The version of a VS_VERSIONINFO block at file offset `at` of `length` bytes.
std::optional<std::string> fixed_version(const bytes& b, uint64_t at, uint32_t length) {
    static const char16_t kKey[] = u"VS_VERSION_INFO";
    constexpr uint64_t kKeyAt = 6;
    constexpr uint64_t kInfoAt = 40;  // after the key and its NUL, 32-bit aligned
    if (length < kInfoAt + 16 || !b.has(at, length)) {
        return std::nullopt;
    }
    for (uint64_t i = 0; i < std::size(kKey); ++i) {
        if (b.u16(at + kKeyAt + 2 * i) != static_cast<uint32_t>(kKey[i])) {
            return std::nullopt;
        }
    }
    const auto value_length = b.u16(at + 2);
    if (b.u32(at + kInfoAt) != kFixedInfoSignature || !value_length || *value_length < 16) {
        return std::nullopt;
    }
    const uint32_t high = *b.u32(at + kInfoAt + 8);
    const uint32_t low = *b.u32(at + kInfoAt + 12);
    return std::to_string(high >> 16U) + "." + std::to_string(high & 0xFFFFU) + "." +
           std::to_string(low >> 16U) + "." + std::to_string(low & 0xFFFFU);
}

}  // namespace

std::optional<std::string> pe_file_version(const uint8_t* data, std::size_t size) {
    const bytes b(data, size);
    if (size < 2 || data[0] != 'M' || data[1] != 'Z') {
        return std::nullopt;
    }
    const auto im = read_headers(b);
    if (!im || im->resources == 0) {
        return std::nullopt;
    }
    const auto root = file_offset(*im, im->resources, 16);
    if (!root) {
        return std::nullopt;
    }
    // Three levels: the type (the version resource), its name, its language. Each
    // but the last must lead to a directory, the last to a data entry.
    uint64_t at = *root;
    for (int level = 0; level < 3; ++level) {
        const auto target =
            entry(b, at, level == 0 ? std::optional<uint32_t>(kVersionResource) : std::nullopt);
        if (!target || ((*target & kHighBit) != 0) != (level < 2)) {
            return std::nullopt;
        }
        at = *root + (*target & ~kHighBit);
    }
    const auto address = b.u32(at);
    const auto length = b.u32(at + 4);
    if (!address || !length) {
        return std::nullopt;
    }
    const auto block = file_offset(*im, *address, *length);
    if (!block) {
        return std::nullopt;
    }
    return fixed_version(b, *block, *length);
}

std::optional<std::string> marker_version(const uint8_t* data, std::size_t size) {
    static constexpr char kMarker[] = "KESTVER:";
    constexpr std::size_t kMarkerLength = sizeof(kMarker) - 1;
    constexpr std::size_t kLongest = 23;  // 65535.65535.65535.65535
    for (std::size_t i = 0; i + kMarkerLength <= size; ++i) {
        if (std::memcmp(data + i, kMarker, kMarkerLength) != 0) {
            continue;
        }
        std::string version;
        std::size_t k = i + kMarkerLength;
        for (; k < size && version.size() <= kLongest; ++k) {
            const auto c = static_cast<char>(data[k]);
            if ((c < '0' || c > '9') && c != '.') {
                break;
            }
            version += c;
        }
        const bool ended = k < size && data[k] == 0;
        if (ended && !version.empty() && version.size() <= kLongest && version.front() != '.' &&
            version.back() != '.' && version.find("..") == std::string::npos) {
            return version;
        }
    }
    return std::nullopt;
}

plugin_file_version read_plugin_version(const std::string& path) {
    input_limits limits;
    limits.file = std::size_t{256} * 1024 * 1024;
    plugin_file_version result;
    std::string content;
    if (!read_input_file(path, "plug-in", content, result.why, limits)) {
        return result;
    }
    const auto* data = reinterpret_cast<const uint8_t*>(content.data());
    const bool pe = content.size() >= 2 && content[0] == 'M' && content[1] == 'Z';
    result.version =
        pe ? pe_file_version(data, content.size()) : marker_version(data, content.size());
    if (!result.version) {
        result.why = printable(path) + (pe ? " carries no version resource"
                                           : " carries no version (no KESTVER: marker)");
    }
    return result;
}

}  // namespace kest_host
