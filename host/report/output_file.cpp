#include "report/output_file.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <unistd.h>
#include <csignal>
#endif

namespace kest_host::report {

namespace fs = std::filesystem;

namespace {

#ifndef _WIN32
// (Only the POSIX writer makes temporary files and follows links by folder.)
std::string folder_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
#endif

std::string cannot(const std::string& path, const std::string& reason) {
    return "cannot write " + path + ": " + reason;
}

constexpr const char kNotRegular[] =
    "not a regular file (a FIFO, a device or a socket); outputs are regular files, or - "
    "for standard output";

// What makes two names the same file: the device and inode of a file that exists,
// the normalised absolute name of one that does not yet.
std::string identity(const std::string& path) {
    if (is_standard_output(path)) {
        return "standard output";
    }
    const std::string target = final_target(path);
#ifndef _WIN32
    // (Windows has no inode numbers: there the normalised name alone tells.)
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        return "file " + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
    }
#endif
    std::error_code ec;
    const fs::path absolute = fs::weakly_canonical(fs::absolute(target, ec), ec);
    return "name " + (ec ? target : absolute.generic_string());
}

#ifndef _WIN32
// SIGINT, SIGTERM and SIGHUP wait while a temporary file exists, so that a signal
// never ends the program between making it and renaming or removing it.
class signals_held {
  public:
    signals_held() {
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGINT);
        sigaddset(&held, SIGTERM);
        sigaddset(&held, SIGHUP);
        sigprocmask(SIG_BLOCK, &held, &before_);
    }
    ~signals_held() { sigprocmask(SIG_SETMASK, &before_, nullptr); }
    signals_held(const signals_held&) = delete;
    signals_held& operator=(const signals_held&) = delete;

  private:
    sigset_t before_{};
};

bool write_all(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

mode_t new_file_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}
#endif

// Checks the target of an output; false with `error` when it cannot be replaced.
bool target_writable(const std::string& path, const std::string& target, bool& exists,
                     std::string& error) {
    struct stat info {};
    exists = ::stat(target.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) {
        error = cannot(path, std::strerror(errno));
        return false;
    }
    if (exists && S_ISDIR(info.st_mode)) {
        error = cannot(path, std::strerror(EISDIR));
        return false;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        error = cannot(path, kNotRegular);
        return false;
    }
#ifndef _WIN32
    if (exists && ::access(target.c_str(), W_OK) != 0) {
        error = cannot(path, std::strerror(errno));
        return false;
    }
#endif
    return true;
}

using filler = std::function<bool(int fd, const std::string& temporary)>;

bool replace(const std::string& path, const filler& fill, std::string& error) {
    if (path.empty()) {
        error = "cannot write an empty path";
        return false;
    }
    const std::string target = final_target(path);
    bool exists = false;
    if (!target_writable(path, target, exists, error)) {
        return false;
    }
#ifdef _WIN32
    const std::string temporary = target + ".kest-tmp";
    if (!fill(-1, temporary)) {
        const int saved = errno;
        std::remove(temporary.c_str());
        error = cannot(path, std::strerror(saved != 0 ? saved : EIO));
        return false;
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        std::remove(temporary.c_str());
        error = cannot(path, ec.message());
        return false;
    }
    return true;
#else
    struct stat old {};
    const mode_t mode =
        exists && ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : new_file_mode();
    std::string temporary = folder_of(target) + "/." + name_of(target).substr(0, 200) + ".XXXXXX";
    const signals_held held;
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = cannot(path, std::strerror(errno));
        return false;
    }
    errno = 0;
    bool ok = fill(fd, temporary) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int saved = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        error = cannot(path, std::strerror(saved != 0 ? saved : EIO));
    }
    return ok;
#endif
}

}  // namespace

bool is_standard_output(const std::string& path) {
    return path == "-" || path == "/dev/stdout";
}

std::string final_target(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return current;
        }
        std::string text(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 4096) + 1,
                         '\0');
        const ssize_t n = ::readlink(current.c_str(), text.data(), text.size());
        if (n < 0) {
            return current;
        }
        text.resize(static_cast<std::size_t>(n));
        if (text.empty() || text[0] != '/') {
            text.insert(0, folder_of(current) + "/");
        }
        current = text;
    }
    return current;  // a loop of links: the system names the fault when it is opened
#endif
}

bool probe_output_path(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "cannot write an empty path";
        return false;
    }
    if (is_standard_output(path)) {
        return true;
    }
    const std::string target = final_target(path);
    bool exists = false;
    if (!target_writable(path, target, exists, error)) {
        return false;
    }
#ifdef _WIN32
    return true;
#else
    // A file can be made in the folder: the rename at the end needs it.
    std::string probe = folder_of(target) + "/.kest-host-probe.XXXXXX";
    const signals_held held;
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        error = cannot(path, std::strerror(errno));
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
#endif
}

bool write_output_file(const std::string& path, const std::string& content, std::string& error) {
    if (is_standard_output(path)) {
        std::cout.write(content.data(), static_cast<std::streamsize>(content.size()));
        std::cout.flush();
        if (!std::cout) {
            error = "cannot write standard output";
            return false;
        }
        return true;
    }
    return replace(
        path,
        [&content](int fd, const std::string& temporary) {
#ifdef _WIN32
            (void)fd;
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out << content;
            out.close();
            return static_cast<bool>(out);
#else
            (void)temporary;
            return write_all(fd, content);
#endif
        },
        error);
}

bool replace_output_file(const std::string& path,
                         const std::function<bool(const std::string& temporary)>& fill,
                         std::string& error) {
    return replace(
        path, [&fill](int, const std::string& temporary) { return fill(temporary); }, error);
}

namespace {

// What kind of input a name looks like, by its ending ("" when it looks like none).
std::string input_kind(const std::string& path) {
    const auto ends_with = [&path](const std::string& end) {
        return path.size() >= end.size() &&
               path.compare(path.size() - end.size(), end.size(), end) == 0;
    };
    if (ends_with(".scn")) {
        return "a scenario file";
    }
    if (ends_with(".kest_ui")) {
        return "a layout file";
    }
    if (ends_with(".so") || ends_with(".dll")) {
        return "a plug-in";
    }
    return "";
}

}  // namespace

bool outputs_are_distinct(const std::vector<named_output>& outputs,
                          const std::vector<std::string>& inputs, std::vector<std::string>& errors,
                          bool by_name) {
    std::map<std::string, std::string> read;
    for (const auto& input : inputs) {
        struct stat info {};
        if (!input.empty() && ::stat(input.c_str(), &info) == 0) {
            read.emplace(identity(input), input);
        }
    }
    std::map<std::string, const named_output*> written;
    const std::size_t before = errors.size();
    for (const auto& out : outputs) {
        if (out.path.empty()) {
            continue;
        }
        const std::string kind = by_name ? input_kind(out.path) : "";
        if (!kind.empty()) {
            // Most often a shell pattern that put an input where the file name belongs.
            errors.push_back(out.option + " " + out.path + " names " + kind +
                             ", which a report must not overwrite; name a file such as " +
                             (out.option == "--junit" ? "results.xml" : "report.html"));
            continue;
        }
        const std::string id = identity(out.path);
        const auto input = read.find(id);
        if (input != read.end()) {
            errors.push_back(out.option + " " + out.path + " is " + input->second +
                             ", which the run reads; it would be overwritten. Name another "
                             "file");
            continue;
        }
        const auto other = written.find(id);
        if (other != written.end()) {
            errors.push_back(out.option + " " + out.path + " is the file that " +
                             other->second->option + " " + other->second->path +
                             " writes; one would be lost. Name another file");
            continue;
        }
        written.emplace(id, &out);
    }
    return errors.size() == before;
}

}  // namespace kest_host::report
