#include "common/interrupt.h"

#include <csignal>

namespace kest_host {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void on_interrupt(int /*signal*/) {
    interrupted = 1;
}

}  // namespace

#ifdef _WIN32
void catch_interrupts(bool /*restart*/) {
    std::signal(SIGINT, on_interrupt);
}

void release_interrupts() {
    std::signal(SIGINT, SIG_DFL);
}
#else
// With SA_RESTART, so that output to a slow terminal is not cut by the signal. At the
// prompt libedit catches the signal itself, drops the line and hands it on to us.
void catch_interrupts(bool restart) {
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = restart ? SA_RESTART : 0;
    sigaction(SIGINT, &action, nullptr);
}

void release_interrupts() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}
#endif

bool interrupt_requested() {
    return interrupted != 0;
}

void clear_interrupt() {
    interrupted = 0;
}

void request_interrupt() {
    interrupted = 1;
}

}  // namespace kest_host
