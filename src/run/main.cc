// Entry point: wires standard input, standard output and the terminal to one run.
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <csignal>

#include "run/conversion.h"
#include "run/files.h"
#include "run/terminal_console.h"

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

// A console reader that went away (`kelmor | head`) or a file size limit must not kill the run
// halfway: the failed write is seen instead (the console is then ignored; the report is
// "Failed to write file").
void ignoreWriteSignals() {
#ifndef _WIN32
  (void)std::signal(SIGPIPE, SIG_IGN);
  (void)std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace

int main() {
  openStandardDescriptors();
  ignoreWriteSignals();
  kelmor::TerminalConsole console;
  kelmor::FdSource standardInput(0);
  return kelmor::runConversion(console, standardInput);
}
