#include "kest_debug_trace.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdio>
#endif

kest_string formatDebugTrace(const kest_string& format, const kest_string& value1,
                             const kest_string& value2, const kest_string& value3,
                             const kest_string& value4, const kest_string& value5,
                             const kest_string& value6, const kest_string& value7,
                             const kest_string& value8, const kest_string& value9) {
    // All nine calls are made; once no marker is left each returns the text unchanged.
    return format.arg(value1)
        .arg(value2)
        .arg(value3)
        .arg(value4)
        .arg(value5)
        .arg(value6)
        .arg(value7)
        .arg(value8)
        .arg(value9);
}

void writeDebugOutput(const char* text) {
    if (text == nullptr) {
        return;
    }
#if defined(_WIN32)
    OutputDebugStringA(text);
#else
    std::fputs(text, stderr);
#endif
}
