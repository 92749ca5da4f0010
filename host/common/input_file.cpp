#include "common/input_file.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "common/printable.h"

namespace kest_host {

namespace {

std::string shown(const std::string& path) {
    return excerpt(path);
}

// The refusal for a file that exists but is not a regular file.
bool refuse_kind(const std::string& path, const char* what, bool directory, std::string& error) {
    if (directory) {
        error = shown(path) + " is a directory; name a " + what + " file in it";
    } else {
        error = shown(path) + " is not a regular file (a device, a FIFO or a socket); " +
                "kest-host reads a " + what + " only from a regular file";
    }
    return false;
}

std::string too_large(const std::string& path, const char* what, std::size_t limit) {
    return shown(path) + " is larger than " + std::to_string(limit) + " bytes; a " + what +
           " file may hold at most " + std::to_string(limit) + " bytes";
}

}  // namespace

void drop_byte_order_mark(std::string& text) {
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text.erase(0, 3);
    }
}

std::size_t first_long_line(const std::string& content, std::size_t limit) {
    std::size_t line = 1;
    std::size_t start = 0;
    while (start <= content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        if (end - start > limit) {
            return line;
        }
        start = end + 1;
        ++line;
    }
    return 0;
}

#ifdef _WIN32
bool read_input_file(const std::string& path, const char* what, std::string& content,
                     std::string& error, const input_limits& limits) {
    struct _stat64 info {};
    if (path.empty() || _stat64(path.c_str(), &info) != 0) {
        error = "cannot read " + std::string(what) + " " + shown(path) + ": " +
                std::strerror(path.empty() ? ENOENT : errno);
        return false;
    }
    if ((info.st_mode & _S_IFREG) == 0) {
        return refuse_kind(path, what, (info.st_mode & _S_IFDIR) != 0, error);
    }
    if (static_cast<unsigned long long>(info.st_size) > limits.file) {
        error = too_large(path, what, limits.file);
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error =
            "cannot read " + std::string(what) + " " + shown(path) + ": " + std::strerror(errno);
        return false;
    }
    content.assign(static_cast<std::size_t>(info.st_size), '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    content.resize(static_cast<std::size_t>(in.gcount()));
    drop_byte_order_mark(content);
    return true;
}
#else
bool read_input_file(const std::string& path, const char* what, std::string& content,
                     std::string& error, const input_limits& limits) {
    const std::string cannot = "cannot read " + std::string(what) + " " + shown(path) + ": ";
    if (path.empty()) {
        error = cannot + std::strerror(ENOENT);
        return false;
    }
    // Opened without waiting: a FIFO with no writer would otherwise block here for
    // good. Its kind is then taken from the open file, not from the name.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = cannot + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = cannot + std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return refuse_kind(path, what, S_ISDIR(info.st_mode), error);
    }
    if (static_cast<unsigned long long>(info.st_size) > limits.file) {
        ::close(fd);
        error = too_large(path, what, limits.file);
        return false;
    }
    // Read up to one byte past the limit, so that a file growing while it is read is
    // refused as well.
    content.clear();
    std::string buffer(std::size_t{64} * 1024, '\0');
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error = cannot + std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (got == 0) {
            break;
        }
        content.append(buffer.data(), static_cast<std::size_t>(got));
        if (content.size() > limits.file) {
            ::close(fd);
            error = too_large(path, what, limits.file);
            return false;
        }
    }
    ::close(fd);
    drop_byte_order_mark(content);
    return true;
}
#endif

}  // namespace kest_host
