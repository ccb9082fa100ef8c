#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <vector>

#include "run/terminal_console.h"

namespace kelmor {
namespace {

// A burst (a paste, or the bytes of one key) ends when no byte has come for this long...
constexpr int kBurstGapMs = 50;
// ...and is cut this long after the key at the latest.
constexpr int kBurstLimitMs = 2000;

// The signals that stop the process. During the wait they first restore the terminal; the
// rest of the run blocks them except while it waits for input, so that a resumption is seen.
constexpr std::array kStopSignals = {SIGTSTP, SIGTTIN, SIGTTOU};

// Seen by the signal handlers: written before they are installed, read-only after, except
// gResumed, which the handler sets after a stop and the wait clears.
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
// done. Every handler runs with all signals blocked, SIGTTOU among them, so that restoring the
// settings can never stop the process.
// TCSAFLUSH waits for the output to drain, which a signal may interrupt: then it is tried again.
bool setSettings(int fd, const struct termios& settings) {
  for (;;) {
    if (::tcsetattr(fd, TCSAFLUSH, &settings) == 0) return true;
    if (errno != EINTR) return false;
  }
}

void restoreSettings() {
  const int savedErrno = errno;
  setSettings(gTerminal, gSavedSettings);
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

bool inForeground(int fd) {
  return ::tcgetpgrp(fd) == ::getpgrp();
}

ssize_t readRetrying(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

long long nowMs() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The handlers of the wait, and what they replace: installed for its length only.
class WaitSignals {
 public:
  WaitSignals() {
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
  ~WaitSignals() {
    for (const auto& [signal, previous] : replaced_)
      ::sigaction(signal, &previous, nullptr);
  }
  WaitSignals(const WaitSignals&) = delete;
  WaitSignals& operator=(const WaitSignals&) = delete;

 private:
  struct Replaced {
    int signal;
    struct sigaction previous;
  };
  std::vector<Replaced> replaced_;
};

// The key wait on the controlling terminal `fd`, in the foreground, settings saved.
class KeyWait {
 public:
  KeyWait(int fd, const struct termios& saved) : fd_(fd), raw_(saved) {
    // Keys arrive one byte at a time without echo; Ctrl-C, Ctrl-Z and Ctrl-V are plain bytes.
    raw_.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | ISIG | IEXTEN);
    // No flow control (Ctrl-S, Ctrl-Q are keys too) and no CR to LF translation or stripping.
    raw_.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | BRKINT | INPCK | ISTRIP);
    raw_.c_cc[VMIN] = 1;
    raw_.c_cc[VTIME] = 0;
  }

  // Waits for the key and consumes the rest of its burst. `openMask` is the signal mask under
  // which the stop signals are delivered; outside the waits for input they are blocked.
  void run(const sigset_t& openMask) {
    openMask_ = openMask;
    // TCSAFLUSH drops what was typed before the prompt appeared.
    if (!setRaw()) return;
    std::array<char, 256> scratch{};
    if (awaitByte(-1) != Ready::kByte || readRetrying(fd_, scratch.data(), scratch.size()) <= 0) {
      return;
    }
    // The rest of a paste, or of a key's escape sequence, is taken here, so that none of it
    // reaches the next reader of the terminal.
    const long long key = nowMs();
    long long last = key;
    for (;;) {
      const long long until = std::min(last + kBurstGapMs, key + kBurstLimitMs);
      const long long left = until - nowMs();
      if (left <= 0 || awaitByte(static_cast<int>(left)) != Ready::kByte) return;
      if (readRetrying(fd_, scratch.data(), scratch.size()) <= 0) return;
      last = nowMs();
    }
  }

  // Whether the terminal is raw now (and so needs its settings back).
  bool raw() const { return raw_set_; }

 private:
  enum class Ready { kByte, kTimeout, kEnd };

  bool setRaw() {
    raw_set_ = setSettings(fd_, raw_);
    return raw_set_;
  }

  // Waits up to `timeoutMs` (-1: no limit) for input. A stop during the wait has restored the
  // settings; after the resumption the wait goes on raw in the foreground (what was typed
  // meanwhile is dropped) and ends in the background, where the console cannot be read.
  Ready awaitByte(int timeoutMs) {
    const long long until = nowMs() + timeoutMs;
    for (;;) {
      if (gResumed != 0) {
        gResumed = 0;
        raw_set_ = false;
        if (!inForeground(fd_) || !setRaw()) return Ready::kEnd;
      }
      struct timespec left {};
      if (timeoutMs >= 0) {
        const long long ms = std::max(until - nowMs(), 0LL);
        left.tv_sec = static_cast<time_t>(ms / 1000);
        left.tv_nsec = static_cast<long>(ms % 1000) * 1000000;
      }
      struct pollfd waiting {
        fd_, POLLIN, 0
      };
      const int ready = ::ppoll(&waiting, 1, timeoutMs >= 0 ? &left : nullptr, &openMask_);
      if (ready > 0) return (waiting.revents & POLLIN) != 0 ? Ready::kByte : Ready::kEnd;
      if (ready == 0) return Ready::kTimeout;
      if (errno != EINTR) return Ready::kEnd;
    }
  }

  int fd_;
  struct termios raw_;
  sigset_t openMask_{};
  bool raw_set_ = false;
};

}  // namespace

void TerminalConsole::print(std::string_view text) {
  while (!text.empty()) {
    const ssize_t put = ::write(STDOUT_FILENO, text.data(), text.size());
    if (put > 0) {
      text.remove_prefix(static_cast<std::size_t>(put));
    } else if (!(put < 0 && errno == EINTR)) {
      return;  // the console is gone; the run goes on and its exit status tells the result
    }
  }
}

void TerminalConsole::waitForKey() {
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  // A process outside the terminal's foreground group (a background job, or under `timeout`)
  // cannot read the console: changing the settings would stop it. The wait ends at once.
  struct termios saved {};
  if (!inForeground(fd) || ::tcgetattr(fd, &saved) != 0) {
    ::close(fd);
    return;
  }
  // The stop signals are blocked outside the waits for input, SIGTTOU among them, so that no
  // change of the settings can stop the process.
  sigset_t stops;
  sigemptyset(&stops);
  for (const int signal : kStopSignals)
    sigaddset(&stops, signal);
  sigset_t original;
  ::sigprocmask(SIG_BLOCK, &stops, &original);
  sigset_t openMask = original;
  for (const int signal : kStopSignals)
    sigdelset(&openMask, signal);
  gTerminal = fd;
  gSavedSettings = saved;
  gResumed = 0;
  {
    const WaitSignals handlers;
    KeyWait wait(fd, saved);
    wait.run(openMask);
    // TCSAFLUSH also drops whatever is still queued. A stop that was not followed by raw mode
    // again has restored the settings already.
    if (wait.raw()) setSettings(fd, saved);
  }
  gTerminal = -1;
  ::sigprocmask(SIG_SETMASK, &original, nullptr);
  ::close(fd);
}

}  // namespace kelmor
