// The plug-in's one export: makes the panel for the host.

#include <exception>
#include <new>

#include "Tavrin.h"
#include "kest_interfaces.h"

extern "C" KEST_PLUGIN_EXPORT kest_client_callback* load_kest_client_script(
    kest_host_callback* host, const char* path) {
    // No exception may cross into the host: a panel that cannot be made is null.
    try {
        return new (std::nothrow) Tavrin(host, path);
    } catch (...) {
        return nullptr;
    }
}
