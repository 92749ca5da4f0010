// Every file kest-host reads (scenarios, layouts, files loaded at the console) goes
// through one reader with one set of limits, so that whatever path is given (a
// device, a FIFO, a folder, a huge file) ends at once with a message that names the
// file and the reason.
#pragma once

#include <cstddef>
#include <string>

namespace kest_host {

struct input_limits {
    // The longest text a statement may carry (a parent request as long as any a real
    // host sends), plus room for the statement words around it.
    static constexpr std::size_t kLongestText = std::size_t{64} * 1024;
    static constexpr std::size_t kLine = kLongestText + 1024;
    // 16 MiB is some 500,000 statements, far beyond any hand-written file, and keeps
    // the memory of a run bounded.
    static constexpr std::size_t kFile = std::size_t{16} * 1024 * 1024;
    std::size_t line = kLine;
    std::size_t file = kFile;
};

// Reads the regular file at `path` whole into `content`, without a leading UTF-8
// byte-order mark. False with `error` ("cannot read WHAT PATH: REASON", "PATH is a
// directory; ...", "PATH is not a regular file ...", "PATH is larger than ...") when
// it is missing, not a regular file or larger than limits.file. `what` names the
// kind of file in messages ("scenario", "layout"). Lines are not looked at here.
bool read_input_file(const std::string& path, const char* what, std::string& content,
                     std::string& error, const input_limits& limits = {});

// The first line of `content` longer than `limit` bytes (1 for the first line), 0
// when there is none.
std::size_t first_long_line(const std::string& content, std::size_t limit);

// Drops a UTF-8 byte-order mark at the start of `text`, which editors on some systems
// put there.
void drop_byte_order_mark(std::string& text);

}  // namespace kest_host
