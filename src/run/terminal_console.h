// The console of this platform: messages go to standard output unbuffered, so that each is on
// the console before the next reply is awaited.
//
// POSIX (terminal_console_posix.cc): the key wait reads the controlling terminal (/dev/tty) in
// raw mode:
// no echo, no Enter needed; keys typed before the wait began are discarded; the first
// key ends the wait, and the rest of an escape sequence (cursor and function keys) is consumed
// so that nothing reaches the next reader of the terminal. Ctrl-C arrives as a key and ends the
// wait. The terminal settings are restored on every way out, also when SIGINT, SIGTERM or
// SIGHUP arrive during the wait (the signal is then raised again with its default action).
// Without a controlling terminal the wait returns at once.
//
// Windows (terminal_console_windows.cc): the key wait reads the console keyboard with _getch.
#pragma once

#include "run/console.h"

namespace kelmor {

class TerminalConsole final : public Console {
 public:
  void print(std::string_view text) override;
  void waitForKey() override;
};

}  // namespace kelmor
