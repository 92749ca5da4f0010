// Captures what the code under test writes to the platform's debug output
// (writeDebugOutput): standard error on Linux, OutputDebugStringA on Windows.
//
// On Windows a debug string arrives as a DBG_PRINTEXCEPTION_C exception raised
// inside OutputDebugStringA; a vectored handler sees it before anyone else, copies
// the text and lets the program carry on. One capture at a time, on the test's own
// thread; the capture ends when the object goes or `take` is called.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

class debug_output_capture {
  public:
    debug_output_capture() { start(); }
    ~debug_output_capture() { stop(); }
    debug_output_capture(const debug_output_capture&) = delete;
    debug_output_capture& operator=(const debug_output_capture&) = delete;

    // Ends the capture and returns everything written since it began.
    std::string take() {
        stop();
        return captured;
    }

#if defined(_WIN32)
    // Windows only: one entry per OutputDebugStringA call so far.
    const std::vector<std::string>& writes() const {
        return pieces();
    }
#endif

  private:
#if defined(_WIN32)
    static std::vector<std::string>& pieces() {
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
        pieces().emplace_back(text, length > 0 ? length - 1 : 0);
        return EXCEPTION_CONTINUE_EXECUTION;
    }

    void start() {
        pieces().clear();
        handler = AddVectoredExceptionHandler(1, &onException);
        if (handler == nullptr) {
            ADD_FAILURE() << "no vectored exception handler for the debug output";
        }
    }
    void stop() {
        if (handler == nullptr) {
            return;
        }
        RemoveVectoredExceptionHandler(handler);
        handler = nullptr;
        for (const std::string& piece : pieces()) {
            captured += piece;
        }
    }

    void* handler = nullptr;
#else
    void start() {
        ::testing::internal::CaptureStderr();
        capturing = true;
    }
    void stop() {
        if (capturing) {
            capturing = false;
            captured = ::testing::internal::GetCapturedStderr();
        }
    }

    bool capturing = false;
#endif
    std::string captured;
};
