// Built into kest-host only with AddressSanitizer. The sanitizer keeps freed memory
// out of use for a while to catch a late use of it; by default up to 256 MB, which a
// long scenario (every `show` draws the panel anew) fills, so that a sanitized
// kest-host would sit at some 400 MB whatever it holds. 64 MB still catches a use
// soon after the free and keeps the sanitized program under 300 MB. ASAN_OPTIONS
// given by the caller still win.
extern "C" const char* __asan_default_options();

extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=64";
}
