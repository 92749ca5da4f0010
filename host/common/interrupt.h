// Ctrl-C at the console: the signal only raises a flag, and the long loops (the clock
// advancing, a file being played) look at it between events and stop early.
#pragma once

namespace kest_host {

// Catches SIGINT from now on: it raises the flag instead of ending the program.
// `restart`: a system call the signal interrupts is restarted (output to a slow
// terminal is not cut); without it a read waiting for a pipe returns, so that Ctrl-C
// ends the wait.
void catch_interrupts(bool restart = true);
// Goes back to the default action of SIGINT.
void release_interrupts();
bool interrupt_requested();
void clear_interrupt();
// Raises the flag as the signal would (for tests).
void request_interrupt();

}  // namespace kest_host
