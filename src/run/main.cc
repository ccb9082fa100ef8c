// Entry point: wires standard input, standard output and the terminal to one run.
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "run/conversion.h"
#include "run/files.h"
#include "run/terminal_console.h"
#include "run/write_signals.h"

namespace {

// Descriptors 0-2 closed by the parent would be reused by the files the run opens, so that the
// report could go to the console or the replies come from the spectrum: park them on /dev/null.
void openStandardDescriptors() {
#ifndef _WIN32
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) < 0 && ::open("/dev/null", O_RDWR) != fd) return;
  }
#endif
}

}  // namespace

int main() {
  openStandardDescriptors();
  kelmor::ignoreWriteSignals();
  kelmor::TerminalConsole console;
  kelmor::FdSource standardInput(0);
  return kelmor::runConversion(console, standardInput);
}
