// The console of this platform: messages go to standard output unbuffered, so that each is on
// the console before the next reply is awaited.
//
// POSIX (terminal_console_posix.cc): the key wait reads the controlling terminal (/dev/tty) in
// raw mode: no echo, no Enter needed; keys typed before the wait began are discarded. The first
// key ends the wait; the rest of its burst (a paste, or the tail of an escape sequence: bytes
// that follow with gaps under 50 ms, for at most 2 s) is consumed and whatever is still queued
// is discarded, so that nothing reaches the next reader of the terminal. Ctrl-C arrives as a
// key and ends the wait.
// - Without a controlling terminal, or outside its foreground process group (a background job,
//   a run under `timeout`), the wait ends at once and the settings are not touched.
// - Every signal whose action is still the default ending of the process when the wait starts
//   (real-time signals included) restores the settings first, then ends the process as before.
// - SIGTSTP, SIGTTIN and SIGTTOU restore the settings, then stop the process. Continued in the
//   foreground, the wait goes on raw (keys typed meanwhile do not count); continued in the
//   background, it ends at once.
// - No path of the wait, its signal handlers included, is ever stopped by SIGTTOU.
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
