// The POSIX console: messages go to file descriptor 1 unbuffered; the key wait reads the
// controlling terminal (/dev/tty) in raw mode.
//
// Key wait: no echo, no Enter needed; keys typed before the wait began are discarded; the first
// key ends the wait, and the rest of an escape sequence (cursor and function keys) is consumed
// so that nothing reaches the next reader of the terminal. Ctrl-C arrives as a key and ends the
// wait. The terminal settings are restored on every way out, also when SIGINT, SIGTERM or
// SIGHUP arrive during the wait (the signal is then raised again with its default action).
// Without a controlling terminal the wait returns at once.
#pragma once

#include "run/console.h"

namespace kelmor {

class TerminalConsole final : public Console {
 public:
  void print(std::string_view text) override;
  void waitForKey() override;
};

}  // namespace kelmor
