// The debug trace: the one diagnostic a panel writes.
//
// formatDebugTrace is pure, so the message can be checked without a debug stream;
// writeDebugOutput is the platform's debug output (OutputDebugStringA on Windows,
// standard error elsewhere) and adds neither prefix nor line end.
#pragma once

#include "kest_string.h"

// `format` with %1..%9 filled in marker order by the nine values, through
// kest_string::arg. Values are not protected against marker text.
kest_string formatDebugTrace(const kest_string& format, const kest_string& value1,
                             const kest_string& value2, const kest_string& value3,
                             const kest_string& value4, const kest_string& value5,
                             const kest_string& value6, const kest_string& value7,
                             const kest_string& value8, const kest_string& value9);

void writeDebugOutput(const char* text);
