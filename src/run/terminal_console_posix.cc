#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>

#include "run/terminal_console.h"
#include "run/wait_signals_posix.h"

namespace kelmor {
namespace {

// A burst (a paste, or the bytes of one key) ends when no byte has come for this long...
constexpr int kBurstGapMs = 50;
// ...and is cut this long after the key at the latest.
constexpr int kBurstLimitMs = 2000;

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
    raw_set_ = setTerminalSettings(fd_, raw_);
    return raw_set_;
  }

  // Waits up to `timeoutMs` (-1: no limit) for input. A stop during the wait has restored the
  // settings; after the resumption the wait goes on raw in the foreground (what was typed
  // meanwhile is dropped) and ends in the background, where the console cannot be read.
  Ready awaitByte(int timeoutMs) {
    const long long until = nowMs() + timeoutMs;
    for (;;) {
      if (WaitSignals::takeResumed()) {
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
  addStopSignals(stops);
  sigset_t original;
  ::sigprocmask(SIG_BLOCK, &stops, &original);
  sigset_t openMask = original;
  deleteStopSignals(openMask);
  {
    const WaitSignals handlers(fd, saved);
    KeyWait wait(fd, saved);
    wait.run(openMask);
    // TCSAFLUSH also drops whatever is still queued. A stop that was not followed by raw mode
    // again has restored the settings already.
    if (wait.raw()) setTerminalSettings(fd, saved);
  }
  ::sigprocmask(SIG_SETMASK, &original, nullptr);
  ::close(fd);
}

}  // namespace kelmor
