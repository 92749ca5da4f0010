// plugin_library: loads a panel plug-in from its file as a host does and resolves
// its factory. Header-only, for tests.
//
//   plugin_library library(path);
//   if (!library.loaded()) ... library.error() says why
//   kest_client_callback* panel = library.factory()(host, layoutDir);
//
// The library stays loaded until the object is destroyed; every panel made from it
// must be deleted before that.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "kest_interfaces.h"

class plugin_library {
  public:
    explicit plugin_library(const std::string& file) {
#ifdef _WIN32
        module_ = LoadLibraryA(file.c_str());
        if (module_ == nullptr) {
            error_ = "LoadLibraryA failed for " + file + " (error " +
                     std::to_string(GetLastError()) + ")";
            return;
        }
        factory_ = reinterpret_cast<load_kest_client_script_fn>(
            reinterpret_cast<void*>(GetProcAddress(module_, "load_kest_client_script")));
#else
        module_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module_ == nullptr) {
            const char* why = dlerror();
            error_ = why != nullptr ? why : "dlopen failed for " + file;
            return;
        }
        factory_ =
            reinterpret_cast<load_kest_client_script_fn>(dlsym(module_, "load_kest_client_script"));
#endif
        if (factory_ == nullptr) {
            error_ = "no load_kest_client_script in " + file;
        }
    }

    ~plugin_library() {
        if (module_ != nullptr) {
#ifdef _WIN32
            FreeLibrary(module_);
#else
            dlclose(module_);
#endif
        }
    }

    plugin_library(const plugin_library&) = delete;
    plugin_library& operator=(const plugin_library&) = delete;

    bool loaded() const {
        return factory_ != nullptr;
    }
    const std::string& error() const {
        return error_;
    }
    load_kest_client_script_fn factory() const {
        return factory_;
    }

    // Looks up any other exported name; null when the library does not export it.
    void* symbol(const char* name) const {
        if (module_ == nullptr) {
            return nullptr;
        }
#ifdef _WIN32
        return reinterpret_cast<void*>(GetProcAddress(module_, name));
#else
        return dlsym(module_, name);
#endif
    }

  private:
#ifdef _WIN32
    HMODULE module_ = nullptr;
#else
    void* module_ = nullptr;
#endif
    load_kest_client_script_fn factory_ = nullptr;
    std::string error_;
};
