// Entry point: wires standard input, standard output and the terminal to one run.
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <new>

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

}  // namespace

int main() {
  openStandardDescriptors();
  kelmor::TerminalConsole console;
  kelmor::FdSource standardInput(0);
  try {
    return kelmor::runConversion(console, standardInput);
  } catch (const std::bad_alloc&) {
    // Only a reply of gigabytes gets here (a spectrum too large is a failure to read): end as
    // a failure, not with an abort.
    console.print("\n\n Out of memory. \n");
    return kelmor::kExitFailed;
  }
}
