// The only file of kest-host with platform calls in it.
#include "common/platform.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>
#endif

#include "common/paths.h"

namespace kest_host {

shared_library::~shared_library() {
    close();
}

bool shared_library::open(const std::string& path, std::string& error) {
    close();
#ifdef _WIN32
    // A plug-in may live in a folder of its own with the framework DLLs it imports.
    // Windows looks for those beside the program, not beside the plug-in, unless the
    // plug-in is loaded by its full path with the altered search order.
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    const std::string absolute = length > 0 && length < MAX_PATH ? std::string(full, length) : path;
    handle_ = reinterpret_cast<void*>(
        LoadLibraryExA(absolute.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (handle_ == nullptr) {
        error = "cannot load (Windows error " + std::to_string(GetLastError()) + ")";
        return false;
    }
#else
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "cannot load";
        return false;
    }
#endif
    return true;
}

void* shared_library::symbol(const char* name) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
}

void shared_library::close() {
    if (handle_ == nullptr) {
        return;
    }
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
    handle_ = nullptr;
}

bool is_terminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

std::string executable_directory(const char* argv0) {
#ifdef _WIN32
    char buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        return directory_of(std::string(buffer, length));
    }
#else
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length > 0) {
        return directory_of(std::string(buffer, static_cast<std::size_t>(length)));
    }
#endif
    if (argv0 != nullptr && *argv0 != '\0') {
        return directory_of(argv0);
    }
    return ".";
}

}  // namespace kest_host
