// What the run needs of the console, so that tests and other platforms can supply their own.
#pragma once

#include <string_view>

namespace kelmor {

class Console {
 public:
  virtual ~Console() = default;
  // Writes `text` to standard output; it is visible (flushed) when this returns.
  virtual void print(std::string_view text) = 0;
  // Waits for one key press on the console keyboard, not on standard input. Returns at once
  // when there is no console to read.
  virtual void waitForKey() = 0;
};

}  // namespace kelmor
