#include "run/write_signals.h"

#include <csignal>

namespace kelmor {

void ignoreWriteSignals() {
#ifndef _WIN32
  (void)std::signal(SIGPIPE, SIG_IGN);
  (void)std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace kelmor
