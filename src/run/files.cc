// The parts of the file edge that do not depend on the platform.
#include "run/files.h"

namespace kelmor {

bool usableFileName(const std::string& name) {
  return !name.empty() && name.find('\0') == std::string::npos;
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

UniqueFd::~UniqueFd() {
  close();
}

bool UniqueFd::close() {
  if (fd_ < 0) return true;
  return closeDescriptor(std::exchange(fd_, -1));
}

std::ptrdiff_t InputFile::read(char* buffer, std::size_t size) {
  const std::ptrdiff_t got = FdSource(fd_.get()).read(buffer, size);
  if (got > 0) read_ += static_cast<std::uint64_t>(got);
  // Some files (under /sys, say) report a size larger than their content that never changes:
  // only a file that is now smaller than at the open was cut short.
  if (got == 0 && read_ < size_) {
    const std::optional<std::uint64_t> now = currentSize();
    if (now && *now < size_) return -1;
  }
  return got;
}

bool OutputFile::truncate() {
  if (regular_ && !failed_ && !truncateDescriptor(fd_.get())) failed_ = true;
  return !failed_;
}

bool OutputFile::close() {
  const bool closed = fd_.close();
  return closed && !failed_;
}

}  // namespace kelmor
