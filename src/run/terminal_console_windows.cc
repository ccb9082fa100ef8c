// The Windows console: messages through the CRT's text-mode standard output (a line feed becomes
// CR LF); the key wait reads the console keyboard with _getch, even when standard input is
// redirected.
#include <conio.h>
#include <io.h>
#include <windows.h>

#include "run/terminal_console.h"

namespace kelmor {

void TerminalConsole::print(std::string_view text) {
  while (!text.empty()) {
    const int put = _write(1, text.data(), static_cast<unsigned>(text.size()));
    if (put <= 0) return;  // the console is gone; the exit status tells the result
    text.remove_prefix(static_cast<std::size_t>(put));
  }
}

void TerminalConsole::waitForKey() {
  // Without a console to read (a service, a redirected run without one) the wait ends at once.
  HANDLE console =
      CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  const bool usable = GetConsoleMode(console, &mode) != 0;
  if (usable) FlushConsoleInputBuffer(console);  // keys typed before the prompt do not count
  CloseHandle(console);
  if (!usable) return;
  // A function or cursor key arrives as 0 or 0xE0 followed by its code: take both.
  const int key = _getch();
  if (key == 0 || key == 0xE0) _getch();
}

}  // namespace kelmor
