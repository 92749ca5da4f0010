// Captures what the process writes with OutputDebugStringA.
//
// Windows delivers a debug string as a DBG_PRINTEXCEPTION_C exception raised inside
// OutputDebugStringA; a vectored handler sees it before anyone else, copies the text
// and lets the program carry on. One capture at a time, on the test's own thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class debug_output_capture {
  public:
    debug_output_capture() {
        messages().clear();
        handle = AddVectoredExceptionHandler(1, &onException);
    }
    ~debug_output_capture() {
        if (handle != nullptr) {
            RemoveVectoredExceptionHandler(handle);
        }
    }
    debug_output_capture(const debug_output_capture&) = delete;
    debug_output_capture& operator=(const debug_output_capture&) = delete;

    bool installed() const { return handle != nullptr; }
    // Every text written since the capture began, one entry per call.
    const std::vector<std::string>& texts() const { return messages(); }

  private:
    static std::vector<std::string>& messages() {
        static std::vector<std::string> all;
        return all;
    }

    static LONG CALLBACK onException(EXCEPTION_POINTERS* pointers) {
        const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
        if (record->ExceptionCode != DBG_PRINTEXCEPTION_C || record->NumberParameters < 2) {
            return EXCEPTION_CONTINUE_SEARCH;
        }
        // Parameters: the length including the NUL, then the text.
        const auto length = static_cast<std::size_t>(record->ExceptionInformation[0]);
        const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        messages().emplace_back(text, length > 0 ? length - 1 : 0);
        return EXCEPTION_CONTINUE_EXECUTION;
    }

    void* handle = nullptr;
};
