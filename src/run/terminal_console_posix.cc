#include "run/terminal_console.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace kelmor {
namespace {

// How long the rest of an escape sequence may take to arrive after its first byte.
constexpr int kSequenceGapMs = 50;
constexpr char kEscape = '\x1b';
constexpr std::array kRestoredSignals = {SIGINT, SIGTERM, SIGHUP};

// Seen by the signal handler: written before the handler is installed, read-only after.
int gTerminal = -1;
struct termios gSavedSettings {};

extern "C" void restoreAndReraise(int signal) {
  // Only async-signal-safe calls here; errors are ignored, as nothing else can be done.
  ::tcsetattr(gTerminal, TCSAFLUSH, &gSavedSettings);
  (void)std::signal(signal, SIG_DFL);
  (void)std::raise(signal);
}

ssize_t readRetrying(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

// Consumes the bytes that follow within a short moment: the tail of an escape sequence.
void drainSequence(int fd) {
  std::array<char, 64> scratch{};
  struct pollfd waiting {
    fd, POLLIN, 0
  };
  while (::poll(&waiting, 1, kSequenceGapMs) > 0 && (waiting.revents & POLLIN) != 0) {
    if (readRetrying(fd, scratch.data(), scratch.size()) <= 0) return;
  }
}

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
  struct termios saved {};
  if (::tcgetattr(fd, &saved) != 0) {
    ::close(fd);
    return;
  }
  gTerminal = fd;
  gSavedSettings = saved;
  std::array<struct sigaction, kRestoredSignals.size()> previous{};
  struct sigaction handler {};
  handler.sa_handler = restoreAndReraise;
  sigemptyset(&handler.sa_mask);
  for (std::size_t i = 0; i < kRestoredSignals.size(); ++i) {
    ::sigaction(kRestoredSignals[i], &handler, &previous[i]);
  }

  struct termios raw = saved;
  // Keys arrive one byte at a time without echo; Ctrl-C, Ctrl-Z and Ctrl-V are plain bytes.
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | ISIG | IEXTEN);
  // No flow control (Ctrl-S, Ctrl-Q are keys too) and no CR to LF translation or stripping.
  raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | BRKINT | INPCK | ISTRIP);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  // TCSAFLUSH drops what was typed before the prompt appeared.
  if (::tcsetattr(fd, TCSAFLUSH, &raw) == 0) {
    char key = 0;
    if (readRetrying(fd, &key, 1) == 1 && key == kEscape) drainSequence(fd);
  }

  ::tcsetattr(fd, TCSAFLUSH, &saved);
  for (std::size_t i = 0; i < kRestoredSignals.size(); ++i) {
    ::sigaction(kRestoredSignals[i], &previous[i], nullptr);
  }
  gTerminal = -1;
  ::close(fd);
}

}  // namespace kelmor
