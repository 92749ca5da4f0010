// Export markers of the framework's two shared libraries.
//
// kest_string and kest_config are shipped as shared libraries of their own, as the
// platform ships its string and configuration classes. Inside the library that
// defines a class the marker exports it; everywhere else it imports it.
#pragma once

#if defined(_WIN32)
#define KEST_DECL_EXPORT __declspec(dllexport)
#define KEST_DECL_IMPORT __declspec(dllimport)
#else
#define KEST_DECL_EXPORT __attribute__((visibility("default")))
#define KEST_DECL_IMPORT __attribute__((visibility("default")))
#endif

#if defined(KEST_STRING_BUILDING)
#define KEST_STRING_API KEST_DECL_EXPORT
#else
#define KEST_STRING_API KEST_DECL_IMPORT
#endif

#if defined(KEST_CONFIG_BUILDING)
#define KEST_CONFIG_API KEST_DECL_EXPORT
#else
#define KEST_CONFIG_API KEST_DECL_IMPORT
#endif
