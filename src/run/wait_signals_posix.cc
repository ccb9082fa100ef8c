#include "run/wait_signals_posix.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace kelmor {
namespace {

constexpr std::array kStopSignals = {SIGTSTP, SIGTTIN, SIGTTOU};

// Seen by the signal handlers: written before they are installed, read-only after, except
// gResumed, which the handler sets after a stop and takeResumed clears.
int gTerminal = -1;
struct termios gSavedSettings {};
volatile sig_atomic_t gResumed = 0;

// The signals whose default action ends the process (with or without a core dump).
std::vector<int> terminatingSignals() {
  std::vector<int> signals = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                              SIGFPE,  SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                              SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS};
#ifdef SIGSTKFLT
  signals.push_back(SIGSTKFLT);
#endif
#ifdef SIGIO
  signals.push_back(SIGIO);
#endif
#ifdef SIGPWR
  signals.push_back(SIGPWR);
#endif
#ifdef SIGRTMIN
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s)
    signals.push_back(s);
#endif
  return signals;
}

// Only async-signal-safe calls in the handlers; errors are ignored, as nothing else can be
// done.
void restoreSettings() {
  const int savedErrno = errno;
  setTerminalSettings(gTerminal, gSavedSettings);
  errno = savedErrno;
}

void unblock(int signal) {
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
}

extern "C" void restoreAndEnd(int signal) {
  restoreSettings();
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  ::sigaction(signal, &byDefault, nullptr);
  unblock(signal);
  (void)::raise(signal);  // ends the process as the signal would have
}

extern "C" void restoreAndStop(int signal) {
  const int savedErrno = errno;
  restoreSettings();
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  struct sigaction ours {};
  ::sigaction(signal, &byDefault, &ours);
  unblock(signal);
  (void)::raise(signal);  // stops here until SIGCONT
  ::sigaction(signal, &ours, nullptr);
  gResumed = 1;
  errno = savedErrno;
}

}  // namespace

bool setTerminalSettings(int fd, const struct termios& settings) {
  for (;;) {
    if (::tcsetattr(fd, TCSAFLUSH, &settings) == 0) return true;
    if (errno != EINTR) return false;
  }
}

void addStopSignals(sigset_t& set) {
  for (const int signal : kStopSignals)
    sigaddset(&set, signal);
}

void deleteStopSignals(sigset_t& set) {
  for (const int signal : kStopSignals)
    sigdelset(&set, signal);
}

WaitSignals::WaitSignals(int terminal, const struct termios& saved) {
  gTerminal = terminal;
  gSavedSettings = saved;
  gResumed = 0;
  struct sigaction handler {};
  sigfillset(&handler.sa_mask);
  for (const int signal : terminatingSignals()) {
    struct sigaction previous {};
    // Only signals still at their default action: one inherited as ignored stays ignored,
    // and one the program handles itself keeps its handler.
    if (::sigaction(signal, nullptr, &previous) != 0 || (previous.sa_flags & SA_SIGINFO) != 0 ||
        previous.sa_handler != SIG_DFL) {
      continue;
    }
    handler.sa_handler = restoreAndEnd;
    if (::sigaction(signal, &handler, nullptr) == 0) replaced_.push_back({signal, previous});
  }
  for (const int signal : kStopSignals) {
    struct sigaction previous {};
    handler.sa_handler = restoreAndStop;
    if (::sigaction(signal, &handler, &previous) == 0) replaced_.push_back({signal, previous});
  }
}

WaitSignals::~WaitSignals() {
  for (const auto& [signal, previous] : replaced_)
    ::sigaction(signal, &previous, nullptr);
  gTerminal = -1;
}

bool WaitSignals::takeResumed() {
  if (gResumed == 0) return false;
  gResumed = 0;
  return true;
}

}  // namespace kelmor
