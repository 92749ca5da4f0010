// Fuzzes the router protocol reader on any byte stream.
//
// The first byte picks how the rest is split into reads (1 to 256 bytes each); the
// stream is also read whole. Besides memory errors it checks:
//   - the messages are the same however the stream was split;
//   - no line kept is longer than the line bound or holds a line end, no block
//     holds more lines than the block bound, no header is malformed;
//   - a label made clean holds no control byte, is well-formed UTF-8 and fits its
//     room; a route line read gives ports within the port bound.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/printable.h"
#include "live/videohub_reader.h"

namespace {

using kest_host::videohub_message;
using kest_host::videohub_reader;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "videohub_reader: %s\n", what);
    std::abort();
}

std::vector<std::string> read_all(const std::string& stream, std::size_t piece) {
    std::vector<std::string> out;
    videohub_reader reader(
        [&out](videohub_message&& m) {
            std::string text = std::to_string(static_cast<int>(m.what)) + m.header + "\n";
            if (m.what == videohub_message::kind::block &&
                !kest_host::is_videohub_header(m.header + ":")) {
                fail("a block with a malformed header");
            }
            if (m.lines.size() > videohub_reader::kMaxBlockLines) {
                fail("a block past the line bound");
            }
            for (const auto& line : m.lines) {
                if (line.empty() || line.size() > videohub_reader::kMaxLine ||
                    line.find_first_of("\r\n") != std::string::npos) {
                    fail("a line empty, past the bound or with a line end");
                }
                text += line + "\n";
            }
            out.push_back(text);
        },
        [](const std::string&) {});
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        reader.feed(std::string_view(stream).substr(at, piece));
    }
    return out;
}

void check_lines(const std::string& stream) {
    std::size_t start = 0;
    while (start <= stream.size()) {
        auto end = stream.find('\n', start);
        if (end == std::string::npos) {
            end = stream.size();
        }
        const std::string line = stream.substr(start, end - start);
        start = end + 1;
        const std::string clean = kest_host::clean_videohub_label(line, 255);
        if (clean.size() > 255) {
            fail("a clean label past its room");
        }
        std::size_t i = 0;
        while (i < clean.size()) {
            char32_t code = 0;
            if (!kest_host::next_utf8(clean, i, code) || code < 0x20 || code == 0x7F ||
                (code >= 0x80 && code < 0xA0)) {
                fail("a clean label with a control byte or broken UTF-8");
            }
        }
        if (const auto route = kest_host::videohub_route_line(line)) {
            if (route->first > kest_host::kMaxPortNumber ||
                route->second > kest_host::kMaxPortNumber) {
                fail("a route line past the port bound");
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = std::size_t{data[0]} + 1;
    const std::string stream(reinterpret_cast<const char*>(data + 1), size - 1);
    if (read_all(stream, piece) != read_all(stream, stream.size() + 1)) {
        fail("the messages depend on how the stream was split");
    }
    check_lines(stream);
    return 0;
}
