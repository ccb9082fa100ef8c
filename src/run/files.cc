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
  return FdSource(fd_.get()).read(buffer, size);
}

bool OutputFile::close() {
  const bool closed = fd_.close();
  return closed && !failed_;
}

}  // namespace kelmor
