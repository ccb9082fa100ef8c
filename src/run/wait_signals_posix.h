// The signal rules of the final key wait (POSIX), for as long as a WaitSignals lives:
// - Every signal whose action is still the default ending of the process when it is created
//   (real-time signals included) restores the terminal's saved settings, then ends the process
//   by the same signal. A signal inherited as ignored, or handled by the program, is left so.
// - SIGTSTP, SIGTTIN and SIGTTOU restore the saved settings, then stop the process. After
//   SIGCONT, takeResumed() tells so, once.
// - The handlers run with every signal blocked, SIGTTOU among them, so that restoring the
//   settings never stops the process; a process outside the terminal's foreground group must
//   not create one (it would change the settings from the background).
// One at a time: the handlers share process-wide state.
#pragma once

#include <signal.h>
#include <termios.h>

#include <vector>

namespace kelmor {

class WaitSignals {
 public:
  WaitSignals(int terminal, const struct termios& saved);
  ~WaitSignals();
  WaitSignals(const WaitSignals&) = delete;
  WaitSignals& operator=(const WaitSignals&) = delete;

  // Whether the process was stopped and continued since the last call.
  static bool takeResumed();

 private:
  struct Replaced {
    int signal;
    struct sigaction previous;
  };
  std::vector<Replaced> replaced_;
};

// Adds the stop signals (SIGTSTP, SIGTTIN, SIGTTOU) to `set`, or deletes them from it.
void addStopSignals(sigset_t& set);
void deleteStopSignals(sigset_t& set);

// Sets the terminal's settings with TCSAFLUSH (dropping what was typed), again when a signal
// interrupts its wait for the output to drain; false on failure. Async-signal-safe.
bool setTerminalSettings(int fd, const struct termios& settings);

}  // namespace kelmor
