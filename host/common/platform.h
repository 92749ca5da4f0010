// The few things kest-host needs from the operating system, kept behind one small
// interface so that the rest of the host is plain standard C++: loading a plug-in
// library and resolving its export, asking whether a stream is a terminal, and
// finding the directory of the running program.
#pragma once

#include <cstdio>
#include <string>

namespace kest_host {

class shared_library {
  public:
    shared_library() = default;
    ~shared_library();
    shared_library(const shared_library&) = delete;
    shared_library& operator=(const shared_library&) = delete;

    // Loads the library at `path`. On failure returns false and puts the system's
    // reason into `error`.
    bool open(const std::string& path, std::string& error);
    // The address of the exported symbol `name`, or null.
    void* symbol(const char* name) const;
    // Unloads the library; a second call does nothing.
    void close();
    bool is_open() const { return handle_ != nullptr; }

  private:
    void* handle_ = nullptr;
};

// True when `stream` (stdout or stderr) writes to a terminal.
bool is_terminal(std::FILE* stream);

// The directory that holds the running program, from argv[0] when the system cannot
// tell; "." when nothing is known. Never ends with a separator.
std::string executable_directory(const char* argv0);

}  // namespace kest_host
